// Sound files the editor's own readers do not take, read through libsndfile: WAV of any PCM or
// float depth and WAVE_FORMAT_EXTENSIBLE, AIFF of other depths and AIFF-C, linear PCM AU,
// FLAC, Ogg Vorbis and Opus, MP3, and files of more than two channels (refused with a note
// giving the number). The sound is converted to what the document holds: 16 bits (8-bit
// sources stay 8-bit unsigned), the file's own rate, mono or stereo.
#pragma once

#include "formats/FileStatus.h"
#include "model/SoundDocument.h"

#include <string>

namespace wt {

// The editor's own readers (formats/SoundFormats.h).
enum class OwnReader { Wav, Aiff, Au };

// True when the file at `path` is one libsndfile reads in a format the own reader `reader`
// refuses. A file libsndfile cannot open (a damaged one) is left to the own reader, which
// says what is wrong with it.
bool OwnReaderRefusesFormat(const std::string& path, OwnReader reader);

// Reads the file through libsndfile into `sound`, filling its sourceFormat ("flac 24 48000
// 2") and conversion ("24Bits → 16Bits") texts and status.clipped, with the progress of the
// frames as they come (Begin, a Step after each piece, End). The block grows as they arrive,
// so a header's frame count never decides the memory taken. A stream that ends before its
// header's frame count, or stops on damage, gives the frames it holds with a note saying so
// (ImportCutShort, ImportEndedEarly); one that gives none at all, though its header claimed
// frames or no length, is refused (ImportNoFrames).
FileStatus ImportSound(const std::string& path, LoadedSound& sound, FileProgress& progress);

} // namespace wt
