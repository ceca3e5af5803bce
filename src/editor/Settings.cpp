#include "editor/Settings.h"

#include "dsp/Fft.h"
#include "dsp/Spectrogram.h"
#include "platform/UserFolders.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace wt {

Settings ReadStartupSettings(const ProfileFile& profile, const std::string& defaultDirectory) {
    Settings s;
    s.lastDirectory =
        profile.GetString(kSectionOptions, "directory", defaultDirectory, kMaxPathChars);
    // The waveform window divides by the density: a hand-edited value must not reach it.
    s.density = std::clamp(profile.GetInt(kSectionOptions, "density", 8), 1, 128);
    s.dispMode = profile.GetInt(kSectionOptions, "dispmode", 0);
    s.trackMode = profile.GetInt(kSectionOptions, "trackmode", 0);
    s.undoMode = profile.GetInt(kSectionOptions, kKeyUndoMode, 0) == 1 ? 1 : 0;
    // Budgets beyond a few TiB are surely typing errors; they are taken as the default.
    constexpr int kMaxBudgetMiB = 1 << 22;
    const auto budget = [&profile](const char* key) {
        const int mib = profile.GetInt(kSectionOptions, key, 0);
        return mib > 0 && mib <= kMaxBudgetMiB ? mib : 0;
    };
    s.historyMemoryMiB = budget(kKeyHistoryMemory);
    s.historyDiskMiB = budget(kKeyHistoryDisk);
    s.previewSeconds = std::clamp(profile.GetInt(kSectionOptions, kKeyPreviewSeconds, 10), 1, 60);
    // Any other value than a power of two from 256 to 8192 takes the default.
    const int size = profile.GetInt(kSectionOptions, kKeySpectrumSize, kDefaultSpectrumSize);
    s.spectrumSize = size >= kMinSpectrumSize && size <= kMaxSpectrumSize && IsFftSize(size)
                         ? size
                         : kDefaultSpectrumSize;
    const int view = profile.GetInt(kSectionOptions, kKeyViewMode, 0);
    s.viewMode = view >= 0 && view <= 2 ? view : 0;
    s.spectrumLog = profile.GetInt(kSectionOptions, kKeySpectrumLog, 0) == 1 ? 1 : 0;
    s.spectrumRange = std::clamp(profile.GetInt(kSectionOptions, kKeySpectrumRange, 120), 20, 120);
    s.spectrumCacheMiB =
        std::clamp(profile.GetInt(kSectionOptions, kKeySpectrumCache, 128), 32, 4096);
    // The zoom centring and the window itself work with the stored size: a hand-edited value
    // must not overflow their arithmetic nor ask for a window no screen holds.
    s.startWidth =
        std::clamp(profile.GetInt(kSectionPosition, "width", 480), kMinWindowSize, kMaxWindowSize);
    s.startHeight =
        std::clamp(profile.GetInt(kSectionPosition, "height", 200), kMinWindowSize, kMaxWindowSize);
    return s;
}

std::string ReadRecentFile(const ProfileFile& profile, int n, std::size_t maxChars) {
    return profile.GetString(kSectionRecent, std::to_string(n), "", maxChars);
}

void AddRecentFile(const ProfileFile& profile, const std::string& name) {
    // A relative name means the current folder of this run only: the entry is stored from
    // the root, so it opens from any folder later. It is not otherwise rewritten (no ".." or
    // link resolved), and stays as it is when the current folder cannot be had.
    std::string path = name;
    if (!name.empty() && name.front() != '/') {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(name, error);
        if (!error) {
            path = absolute.string();
        }
    }
    if (!IsStorableProfileValue(path)) {
        return;
    }
    std::array<std::string, kRecentFileCount> entries;
    for (int n = 1; n <= kRecentFileCount; ++n) {
        entries[n - 1] = ReadRecentFile(profile, n);
    }
    // Position of path in the list; a missing path takes the place of the last entry.
    auto found = std::find(entries.begin(), entries.end(), path);
    const auto last = found != entries.end() ? found : entries.end() - 1;
    std::move_backward(entries.begin(), last, last + 1);
    entries[0] = path;
    for (int n = 1; n <= kRecentFileCount; ++n) {
        profile.WriteString(kSectionRecent, std::to_string(n), entries[n - 1]);
    }
}

std::string ReplaceExtension(const std::string& modulePath, const std::string& extension) {
    const auto slash = modulePath.find_last_of('/');
    const auto dot = modulePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return modulePath + extension;
    }
    return modulePath.substr(0, dot) + extension;
}

std::string HomeDirectory() {
    const std::string home = UserHomeFolder();
    return home.empty() ? "/" : home;
}

std::string InstalledDataFolder(const std::string& modulePath) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(modulePath).parent_path();
    if (folder.filename() != "bin") {
        return "";
    }
    const fs::path data = folder.parent_path() / "share" / "wavetomuka";
    std::error_code ec;
    return fs::is_directory(data, ec) ? data.string() : "";
}

std::string DataFolder(const std::string& modulePath) {
    const std::string installed = InstalledDataFolder(modulePath);
    if (!installed.empty()) {
        return installed;
    }
    const auto slash = modulePath.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : modulePath.substr(0, slash);
}

std::string ResolveSettingsPath(const std::string& modulePath, const std::string& override) {
    namespace fs = std::filesystem;
    if (!override.empty()) {
        return override;
    }
    const std::string besideModule = ReplaceExtension(modulePath, ".ini");
    const fs::path folder = fs::path(modulePath).parent_path();
    // An installed editor never writes into its prefix, even when it could (run as root from
    // /usr/local/bin): the prefix belongs to the package manager and to every user.
    if (InstalledDataFolder(modulePath).empty() && !folder.empty() &&
        access(folder.c_str(), W_OK) == 0) {
        return besideModule;
    }
    const std::string configHome = XdgBaseFolder("XDG_CONFIG_HOME", ".config");
    if (configHome.empty()) {
        return "";
    }
    const fs::path base = fs::path(configHome) / "wavetomuka";
    std::error_code ec;
    fs::create_directories(base, ec);
    if (!fs::is_directory(base, ec)) {
        return "";
    }
    return (base / fs::path(besideModule).filename()).string();
}

} // namespace wt
