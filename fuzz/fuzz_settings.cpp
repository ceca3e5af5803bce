// libFuzzer target of the settings file: the input is the file as a user might have edited it.
// An editor starts with it and its read values, the equalizer's presets among them, must be
// ones the editor can use; a write of one key must be read back as written and must leave every
// other value as it was; the recent-files list must take a new entry at its top.
#include "FuzzReader.h"

#include "commands/effects/SpectralEffects.h"
#include "dsp/SpectralFilters.h"
#include "editor/Settings.h"
#include "window/MainWindow.h"

#include <array>
#include <fstream>

namespace {

using namespace wt;

struct Key {
    const char* section;
    const char* key;
};
// The keys the editor reads and writes, and a few others a file might hold.
constexpr std::array<Key, 10> kKeys = {{{kSectionOptions, "density"},
                                        {kSectionOptions, "directory"},
                                        {kSectionOptions, "dispmode"},
                                        {kSectionOptions, "trackmode"},
                                        {kSectionPosition, "width"},
                                        {kSectionPosition, "height"},
                                        {kSectionRecent, "1"},
                                        {kSectionRecent, "6"},
                                        {kSectionEq, "Preset1"},
                                        {"", ""}}};

constexpr const char* kMissing = "\x01missing";

std::array<std::string, kKeys.size()> Values(const ProfileFile& profile) {
    std::array<std::string, kKeys.size()> values;
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        values[i] = profile.GetString(kKeys[i].section, kKeys[i].key, kMissing);
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1 << 16)) {
        return -1;
    }
    const std::string path = fuzz::OutputPath("ini");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    ScriptedHost host;
    App app(host);
    host.modulePath = "/nonexistent/wtomuka";
    InitializeApp(app, host.modulePath, path);
    fuzz::Require(MainWndProc(app, msg::Create, 0, 0) == 0);
    FinishStartup(app, "");
    const Settings& s = app.settings;
    fuzz::Require(s.density >= 1 && s.density <= 128);
    fuzz::Require(s.startWidth >= kMinWindowSize && s.startWidth <= kMaxWindowSize);
    fuzz::Require(s.startHeight >= kMinWindowSize && s.startHeight <= kMaxWindowSize);
    fuzz::Require(s.lastDirectory.size() < kMaxPathChars);
    for (int n = 1; n <= kRecentFileCount; ++n) {
        fuzz::Require(ReadRecentFile(app.profile, n).size() < kMaxPathChars);
    }
    for (const EqPositions& preset : ReadEqPresets(app.profile)) {
        for (const int position : preset) {
            // The bar runs from 0 (top) through kEqFlatPosition (0 dB) to twice that.
            fuzz::Require(position >= 0 && position <= 2 * kEqFlatPosition);
        }
    }

    // One key, picked by the input, takes a new value; the others keep theirs.
    const std::array<std::string, kKeys.size()> before = Values(app.profile);
    const std::size_t pick = size % (kKeys.size() - 1);
    const std::string value = "v" + std::to_string(size);
    fuzz::Require(app.profile.WriteString(kKeys[pick].section, kKeys[pick].key, value));
    const std::array<std::string, kKeys.size()> after = Values(app.profile);
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        fuzz::Require(after[i] == (i == pick ? value : before[i]));
    }

    // A new recent file goes to the top; the one that was first moves to second place.
    const std::string first = ReadRecentFile(app.profile, 1);
    AddRecentFile(app.profile, "/fuzz/new.wav");
    fuzz::Require(ReadRecentFile(app.profile, 1) == "/fuzz/new.wav");
    fuzz::Require(first.empty() || first == "/fuzz/new.wav" ||
                  ReadRecentFile(app.profile, 2) == first);
    return 0;
}
