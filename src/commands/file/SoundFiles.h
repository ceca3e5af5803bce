// The WAV, AIFF and AU readers and writers, and the FLAC and Ogg Vorbis writers. Readers take
// the file's path and read the whole sound into `sound` (1 read, 0 refused); writers write the
// document to the file named by its title (1 written, 0 not written).
//
// A reader never touches the document: the caller makes the sound the document once it was
// read whole, so a file that cannot be opened, is damaged, holds a format the editor cannot
// work with or does not fit in memory leaves the sound, its name and its state as they were.
// Each refusal is explained in a message (caption "ファイルを開く").
// A writer writes a temporary file beside the target and renames it over the target only
// once everything was written; on failure it says so, keeps the old file and `modified`.
#pragma once

#include <cstdint>
#include <string>

namespace wt {

struct App;
struct LoadedSound;

int LoadWaveFile(App& app, const std::string& path, LoadedSound& sound);
int SaveWaveFile(App& app);
int LoadAiffFile(App& app, const std::string& path, LoadedSound& sound);
int SaveAiffFile(App& app);
int LoadAuFile(App& app, const std::string& path, LoadedSound& sound);
// Asks first when the rate is not 8000 Hz; 0 also when the user declined.
int SaveAuFile(App& app);
// FLAC of the document's depth (8 or 16 bits) and Ogg Vorbis at kOggVorbisQuality, written
// through libsndfile (commands/file/ExportFile.cpp); opened again they are imports.
int SaveFlacFile(App& app);
int SaveOggFile(App& app);
// The Vorbis encoder's quality, 0 (smallest) to 1 (best).
inline constexpr double kOggVorbisQuality = 0.6;

// The 80-bit IEEE 754 extended-precision number of AIFF sample rates (10 bytes, big-endian:
// sign and 15-bit exponent, then a 64-bit mantissa with an explicit leading 1).
double ExtendedToDouble(const std::uint8_t bytes[10]);
void DoubleToExtended(double value, std::uint8_t bytes[10]);

} // namespace wt
