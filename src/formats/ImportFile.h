// Sound files the editor's own readers do not take, read through libsndfile: WAV of any PCM or
// float depth and WAVE_FORMAT_EXTENSIBLE, AIFF of other depths and AIFF-C, linear PCM AU,
// FLAC, Ogg Vorbis and Opus, MP3, and files of more than two channels (refused with a message
// naming the number). The sound is converted to what the document holds: 16 bits (8-bit
// sources stay 8-bit unsigned), the file's own rate, mono or stereo.
#pragma once

#include <string>

namespace wt {

struct App;
struct LoadedSound;

// True for the extensions only libsndfile reads (".flac", ".ogg", ".oga", ".opus", ".mp3",
// and AIFF-C's ".aifc", which the own AIFF reader does not take; case-insensitive).
bool IsImportOnlyName(const std::string& path);

// True when the WAV, AU or AIFF file at `path` (`fileType` as FileTypeOfName gives it) is one
// libsndfile reads in a format the editor's own reader refuses. A file libsndfile cannot open
// (a damaged one) is left to the own reader, which says what is wrong with it.
bool OwnReaderRefusesFormat(const std::string& path, int fileType);

// Reads the file through libsndfile into `sound` without touching the document, filling its
// sourceFormat ("flac 24 48000 2") and conversion ("24Bits → 16Bits") texts, busy with its
// progress shown (BusyFileWork) while the frames come. The block grows as they arrive, so a
// header's frame count never decides the memory taken. A stream that ends before its
// header's frame count, or stops on damage, gives the frames it holds after a message saying
// so; one that gives none at all, though its header claimed frames or no length, is refused.
// Returns 1, or 0 after a message saying why the file was refused.
int ImportSoundFile(App& app, const std::string& path, LoadedSound& sound);

} // namespace wt
