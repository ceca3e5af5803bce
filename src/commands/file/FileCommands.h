// The file commands of the menu and the two routines every way of opening or saving goes
// through. Results: 1 for success, 0 for failure or cancel.
#pragma once

#include <string>

namespace wt {

struct App;

// Document file types; the value doubles as the save dialog's filter index (the open dialog
// starts on its own first entry, every sound file).
enum SoundFileType {
    FileTypeNone = 0,
    FileTypeWav = 1,
    FileTypeAu = 2,
    FileTypeAiff = 3,
    // Written through libsndfile; a file of these types is read as an import.
    FileTypeFlac = 4,
    FileTypeOgg = 5,
};
// ReadSoundFile's result for a file read through libsndfile: the document it becomes has no
// file type of its own (FileTypeNone).
inline constexpr int FileTypeImported = -1;

struct LoadedSound;

// Whether `name` ends with `ending`, letters compared without case (a file's extension).
bool EndsWithNoCase(const std::string& name, const std::string& ending);

// Reads the sound file at `path` into `sound` with the reader its extension names (".wav",
// ".au", ".aif", ".aiff", case-insensitive), without touching the document. Returns the
// file's type, or FileTypeNone after a message saying why the file was refused. A file of
// those types in a format their reader refuses, and ".flac", ".ogg", ".oga", ".opus" and
// ".mp3", are read through libsndfile (formats/ImportFile.h): FileTypeImported.
int ReadSoundFile(App& app, const std::string& path, LoadedSound& sound);
// Opens `path` as the document (ReadSoundFile, then the old sound to the undo snapshot).
int LoadSoundFile(App& app, const std::string& path);
// Saves with the writer for `fileType` (0: by the title's extension). An imported document
// is saved as Save As does, proposing its name with the ".wav" extension.
int SaveSoundFile(App& app, int fileType);
int OpenRecentFile(App& app, int n);
int CmdOpen(App& app);
int CmdSave(App& app);
int CmdSaveAs(App& app);
int CmdNew(App& app);
// Asks whether to save a changed document ("[%s]は変更されています"). 1 to go on (nothing to
// save, saved, or changes discarded); 0 when the user cancelled or the save failed.
int ConfirmDiscardChanges(App& app);

} // namespace wt
