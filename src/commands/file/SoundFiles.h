// The file commands' readers and writers: the formats of formats/ with the editor around them.
// Readers take the file's path and read the whole sound into `sound` (1 read, 0 refused);
// writers write the document to the file named by its title (1 written, 0 not written).
//
// A reader never touches the document: the caller makes the sound the document once it was
// read whole, so a file that cannot be opened, is damaged, holds a format the editor cannot
// work with or does not fit in memory leaves the sound, its name and its state as they were.
// Each refusal is explained in a message (caption "ファイルを開く").
// A writer writes a temporary file beside the target and renames it over the target only
// once everything was written; on failure it says so, keeps the old file and `modified`.
#pragma once

#include "formats/SoundFormats.h"

#include <string>

namespace wt {

struct App;
struct LoadedSound;

int LoadWaveFile(App& app, const std::string& path, LoadedSound& sound);
int SaveWaveFile(App& app);
// Holds the busy gate closed while its progress lets the window's events through.
int LoadAiffFile(App& app, const std::string& path, LoadedSound& sound);
int SaveAiffFile(App& app);
int LoadAuFile(App& app, const std::string& path, LoadedSound& sound);
// Asks first when the rate is not 8000 Hz; 0 also when the user declined.
int SaveAuFile(App& app);
// FLAC and Ogg Vorbis (formats/SoundFormats.h), busy with their progress shown.
int SaveFlacFile(App& app);
int SaveOggFile(App& app);

// True for the extensions only libsndfile reads (".flac", ".ogg", ".oga", ".opus", ".mp3",
// and AIFF-C's ".aifc", which the own AIFF reader does not take; case-insensitive).
bool IsImportOnlyName(const std::string& path);
// Reads the file through libsndfile (formats/ImportFile.h) into `sound` without touching the
// document, busy with its progress shown while the frames come. Returns 1
// (after a message when it ended short), or 0 after a message saying why it was refused.
int ImportSoundFile(App& app, const std::string& path, LoadedSound& sound);

} // namespace wt
