#include "batch/AppBatch.h"

#include "commands/edit/HistoryCommands.h"
#include "editor/App.h"
#include "editor/Menus.h"
#include "window/CommandTable.h"

#include <filesystem>
#include <ostream>

namespace wt {

namespace {

// A menu label as the menu shows it: "&X" marks the access key and shows as "X", "&&" is a
// literal "&"; the shortcut text after the tab is returned apart.
std::string ShownLabel(const std::string& text, std::string& shortcut) {
    const auto tab = text.find('\t');
    shortcut = tab == std::string::npos ? "" : text.substr(tab + 1);
    const std::string label = text.substr(0, tab);
    std::string shown;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) {
            ++i;
        }
        shown += label[i];
    }
    return shown;
}

bool Usage(const std::vector<std::string>& args, const char* verb, std::string& error) {
    if (args.empty()) {
        return true;
    }
    error = std::string("usage: ") + verb;
    return false;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::string MenuCommandTable() {
    std::string table = "| menu | item | keys | batch line |\n|---|---|---|---|\n";
    // The menu as the window shows it, with the items of the edit history and its many-step
    // undo.
    Menu menu = LoadMenu1();
    PlaceHistoryItems(menu, true, true);
    for (std::size_t p = 0; p < menu.popups.size(); ++p) {
        std::string unused;
        const std::string popup = ShownLabel(menu.popups[p].text, unused);
        for (const MenuItem& item : menu.popups[p].children) {
            if (item.separator || item.isPopup) {
                continue;
            }
            std::string keys;
            const std::string label = ShownLabel(item.text, keys);
            const CommandEntry* entry = FindCommand(item.id);
            // Appended piece by piece: GCC 12 at -O3 warns falsely on "`" + std::string.
            std::string batch;
            if (entry) {
                batch.append("`").append(BatchName(*entry)).append("`");
            }
            table += "| " + popup + " | " + label + " | " + keys + " | " + batch + " |\n";
        }
        if (static_cast<int>(p) == kFilePopupIndex) {
            table += "| " + popup + " | 1:PATH … 6:PATH (recent files) |  | `recent N` |\n";
        }
    }
    return table;
}

bool BatchPaths(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (!Usage(args, "paths", error)) {
        return false;
    }
    const Settings& s = c.app.settings;
    c.out << "settings: " << c.app.profile.Path() << "\n"
          << "help: " << s.helpPath << "\n"
          << "helpFound: " << (FileExists(s.helpPath) ? 1 : 0) << "\n"
          << "aboutSound: " << s.aboutSound << "\n"
          << "aboutSoundFound: " << (FileExists(s.aboutSound) ? 1 : 0) << "\n";
    return true;
}

bool BatchCommands(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (!Usage(args, "commands", error)) {
        return false;
    }
    c.out << MenuCommandTable();
    return true;
}

} // namespace wt
