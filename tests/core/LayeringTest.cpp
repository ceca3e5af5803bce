// The source folders are layers: a file under src/ includes only headers of its own layer and
// of the layers below it, so each layer can be read, tested and replaced without the ones
// above. The order is written here once; CMakeLists.txt builds one library per layer in the
// same order and docs/ARCHITECTURE.md says what lives in each.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// From the bottom up, by the first folder of a path under src/.
const std::vector<std::string> kLayers = {
    "util",      // formatting, number parsing, PNG, progress counting
    "platform",  // the ports the hosts implement
    "model",     // the sound document, undo snapshot, codecs
    "dsp",       // arithmetic on plain buffers
    "formats",   // sound-file readers, writers, import and export
    "history",   // the edit history, its spill files, the recovery journal
    "editor",    // App, settings, status bar, menus, progress texts
    "view",      // the waveform window and the View menu
    "commands",  // the commands, by menu
    "resources", // the dialog templates, help page, about sound
    "window",    // the main window and command dispatch
    "hosts",     // the adapters: Qt desktop, PortAudio devices, headless host
    "preview",   // effect previews: the command run on a headless copy, on a worker thread
    "batch",     // the batch language on the headless host
    "main",      // the program's entry: the desktop or the batch mode
};

// The layer of a path relative to src/; -1 when its first folder is no layer.
int LayerOf(const std::string& path) {
    const std::string folder = path.substr(0, path.find('/'));
    for (std::size_t i = 0; i < kLayers.size(); ++i) {
        if (path.find('/') != std::string::npos && folder == kLayers[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string LayerName(int layer) {
    return layer < 0 ? "no layer" : kLayers[static_cast<std::size_t>(layer)];
}

// "file:line: ..." for every include of a file that names a higher layer or no layer.
std::vector<std::string> UpwardIncludes(const fs::path& file, const std::string& relative) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    const int own = LayerOf(relative);
    if (own < 0) {
        found.push_back(relative + ": lies in no layer");
        return found;
    }
    std::ifstream in(file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::smatch match;
        if (!std::regex_search(line, match, include)) {
            continue;
        }
        const std::string target = match[1];
        const int layer = LayerOf(target);
        if (layer < 0 || layer > own) {
            found.push_back(relative + ":" + std::to_string(number) + ": " + LayerName(own) +
                            " includes \"" + target + "\" (" + LayerName(layer) + ")");
        }
    }
    return found;
}

TEST(Layering, EveryIncludeUnderSrcPointsToItsOwnLayerOrBelow) {
    const fs::path src = fs::path(WT_SOURCE_DIR) / "src";
    for (const std::string& folder : kLayers) {
        EXPECT_TRUE(fs::is_directory(src / folder)) << folder << " is listed but missing";
    }
    std::vector<std::string> upward;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
            continue;
        }
        ++files;
        const auto found = UpwardIncludes(entry.path(), fs::relative(entry.path(), src).string());
        upward.insert(upward.end(), found.begin(), found.end());
    }
    EXPECT_GT(files, 100);
    std::string report;
    for (const std::string& text : upward) {
        report += "  " + text + "\n";
    }
    EXPECT_TRUE(upward.empty()) << "includes that run upward:\n" << report;
}

} // namespace
