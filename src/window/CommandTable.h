// The one table that routes every menu, toolbar and accelerator command to its handler.
#pragma once

#include <string>
#include <vector>

namespace wt {

struct App;

struct CommandEntry {
    int id;
    const char* name;     // "IDM_OPEN"; batch mode uses it in lower case without "IDM_"
    int (*handler)(App&); // nullptr: not available in this build, does nothing
};

const std::vector<CommandEntry>& CommandTable();
const CommandEntry* FindCommand(int id);
// By batch name ("open", "pitch_envelope"); nullptr when unknown.
const CommandEntry* FindCommandByName(const std::string& batchName);
std::string BatchName(const CommandEntry& entry);

} // namespace wt
