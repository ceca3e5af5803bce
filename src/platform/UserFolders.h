// The user's folders by the XDG rules, and the private folders the editor keeps its own files
// in (settings, the edit history's spill files, the recovery journal).
#pragma once

#include <string>
#include <vector>

namespace wt {

// The user's home folder: $HOME when it is an absolute path, else the password database's
// entry of the real user; empty when neither names one.
std::string UserHomeFolder();

// An XDG base folder: $VARIABLE when it is an absolute path (the rules ignore a relative
// one), else HOME/`underHome` (".config", ".cache", ".local/state"); empty when there is no
// home folder either.
std::string XdgBaseFolder(const char* variable, const char* underHome);

// Makes `folder` and every missing folder above it with mode 0700, and makes sure the folder
// is a directory of this user (not a link) with mode 0700. Folders made are appended to
// `made`, parents first. False when it cannot be had.
bool MakePrivateFolder(const std::string& folder, std::vector<std::string>& made);

} // namespace wt
