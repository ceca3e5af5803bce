// The settings file's sections and keys, the values read at start-up, and the recent-files
// list. Every integer is stored as decimal text.
#pragma once

#include "platform/ProfileFile.h"

#include <string>

namespace wt {

inline constexpr const char* kSectionOptions = "Options";
inline constexpr const char* kSectionPosition = "Position";
inline constexpr const char* kSectionRecent = "RecentFiles";
inline constexpr const char* kSectionEq = "Eq";
inline constexpr int kRecentFileCount = 6;
// Buffer size for a path read from the settings file: Linux paths go to 4095 bytes.
inline constexpr std::size_t kMaxPathChars = 4096;
// The main window's stored outer size is kept to what a screen can show.
inline constexpr int kMinWindowSize = 100;
inline constexpr int kMaxWindowSize = 16384;

struct Settings {
    std::string modulePath;    // the executable
    std::string helpPath;      // the help page (DataFolder)
    std::string aboutSound;    // the sound the About box plays (DataFolder)
    std::string iniOverride;   // absolute path given with --ini; empty: the usual settings file
    std::string lastDirectory; // folder of the last file opened, no trailing separator
    int density = 8;           // samples drawn per pixel column at most, 1..128
    int dispMode = 0;          // 0 points, 1 lines
    int trackMode = 0;         // 1: the view follows the scroll box while it is dragged
    int startWidth = 480;      // main window outer size at start-up; also the zoom
    int startHeight = 200;     // centring's view width
    // 設定 → 元に戻す: 0 one level (undo twice returns), 1 many steps through the edit history
    // with a redo.
    int undoMode = 0;
    // The edit history's budgets in MiB; 0 takes the default (a quarter of the memory, at
    // most 2 GiB; 4 GiB of disk).
    int historyMemoryMiB = 0;
    int historyDiskMiB = 0;
    // How much of the result the 試聴 button of an effect dialog plays, in seconds (1..60).
    int previewSeconds = 10;
    // The spectrum's analysis size in samples: a power of two from 256 to 8192.
    int spectrumSize = 2048;
    // What the waveform window shows: 0 the waveform, 1 the spectrogram, 2 both (the waveform
    // above, the spectrogram below).
    int viewMode = 0;
    // The spectrogram's frequency scale (0 linear, 1 logarithmic), the range of levels its
    // colours span below 0 dB of full scale (20..120 dB) and the memory its levels may take
    // (MiB, 32..4096).
    int spectrumLog = 0;
    int spectrumRange = 120;
    int spectrumCacheMiB = 128;
};

inline constexpr const char* kKeyUndoMode = "undomode";
inline constexpr const char* kKeyHistoryMemory = "historymemory";
inline constexpr const char* kKeyHistoryDisk = "historydisk";
inline constexpr const char* kKeyPreviewSeconds = "previewseconds";
inline constexpr const char* kKeySpectrumSize = "spectrumsize";
inline constexpr const char* kKeyViewMode = "view";
inline constexpr const char* kKeySpectrumLog = "spectrumlog";
inline constexpr const char* kKeySpectrumRange = "spectrumrange";
inline constexpr const char* kKeySpectrumCache = "spectrumcache";

// Reads directory, density (clamped to 1..128), dispmode, trackmode, width and height (each
// clamped to kMinWindowSize..kMaxWindowSize). `defaultDirectory` is used when the file has no
// "directory".
Settings ReadStartupSettings(const ProfileFile& profile, const std::string& defaultDirectory);

// Recent entry n (1..6), at most maxChars - 1 characters; empty when missing.
std::string ReadRecentFile(const ProfileFile& profile, int n, std::size_t maxChars = kMaxPathChars);
// Puts the file at the top of the list (moving it up if it is already listed) and writes all
// six entries back. A relative name is listed as its absolute path from the current folder.
// A name holding a line break or a NUL cannot be stored as one value and is not listed: the
// list stays as it was.
void AddRecentFile(const ProfileFile& profile, const std::string& name);

// The editor's own files (help page, about sound) of an installed editor: PREFIX/share/wavetomuka
// for an executable PREFIX/bin/NAME when that folder exists; empty otherwise (a build folder).
std::string InstalledDataFolder(const std::string& modulePath);
// Where the help page and the about sound are: the installed data folder, or else the
// executable's own folder.
std::string DataFolder(const std::string& modulePath);
// Where the settings file lives: `override` when given; otherwise beside the executable
// (same base name, ".ini") when it is not installed and that folder is writable; otherwise
// CONFIG/wavetomuka/<base>.ini, where CONFIG is $XDG_CONFIG_HOME when it is an absolute path
// and HOME/.config otherwise (HOME from $HOME when absolute, else from the password
// database). Creates that folder. Empty when there is no such folder or it cannot be made:
// the editor then runs on its defaults and writes no settings.
std::string ResolveSettingsPath(const std::string& modulePath, const std::string& override);
// The user's home folder ($HOME when absolute, else the password database's); "/" when there
// is none. The default last directory.
std::string HomeDirectory();
// modulePath with everything from its last "." replaced by `extension` (".ini", ".html");
// the extension is appended when the name has no ".".
std::string ReplaceExtension(const std::string& modulePath, const std::string& extension);

} // namespace wt
