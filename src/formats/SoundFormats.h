// The WAV, AIFF and AU readers and writers, and the FLAC and Ogg Vorbis writers, without the
// editor: a reader reads the file at `path` whole into `sound` and says how that went in a
// FileStatus; a writer writes `doc`'s sound to `path` and says how in a SaveStatus.
//
// A reader never touches a document: the caller makes the sound its document once it was
// read, so a file that cannot be opened, is damaged, holds a format the editor cannot work
// with or does not fit in memory changes nothing. A writer writes a temporary file beside the
// target and renames it over the target only once everything was written; on failure the old
// file stays as it was.
#pragma once

#include "formats/FileStatus.h"
#include "model/SoundDocument.h"

#include <cstdint>
#include <string>

namespace wt {

FileStatus ReadWaveFile(const std::string& path, LoadedSound& sound);
SaveStatus WriteWaveFile(const SoundDocument& doc, const std::string& path);
// Reports a Step for every sample it converts, with its byte index out of the file size.
FileStatus ReadAiffFile(const std::string& path, LoadedSound& sound, FileProgress& progress);
SaveStatus WriteAiffFile(const SoundDocument& doc, const std::string& path);
FileStatus ReadAuFile(const std::string& path, LoadedSound& sound);
// 8-bit mu-law at the document's rate, whatever it is (the 8000 Hz question is the caller's).
SaveStatus WriteAuFile(const SoundDocument& doc, const std::string& path);
// FLAC of the document's depth (8 or 16 bits) and Ogg Vorbis at kOggVorbisQuality, written
// through libsndfile (formats/ExportFile.cpp); opened again they are imports. A sound without
// frames is refused (error 0): libsndfile would write nothing readable.
SaveStatus WriteFlacFile(const SoundDocument& doc, const std::string& path, FileProgress& progress);
SaveStatus WriteOggFile(const SoundDocument& doc, const std::string& path, FileProgress& progress);
// The Vorbis encoder's quality, 0 (smallest) to 1 (best).
inline constexpr double kOggVorbisQuality = 0.6;

// The 80-bit IEEE 754 extended-precision number of AIFF sample rates (10 bytes, big-endian:
// sign and 15-bit exponent, then a 64-bit mantissa with an explicit leading 1).
double ExtendedToDouble(const std::uint8_t bytes[10]);
void DoubleToExtended(double value, std::uint8_t bytes[10]);

} // namespace wt
