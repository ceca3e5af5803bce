#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wt {

namespace {

// The folder an environment variable names; empty when it is unset, empty or relative.
std::string AbsoluteFolderFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : "";
}

} // namespace

std::string UserHomeFolder() {
    std::string home = AbsoluteFolderFromEnvironment("HOME");
    if (home.empty()) {
        const passwd* entry = getpwuid(getuid());
        if (entry && entry->pw_dir && entry->pw_dir[0] == '/') {
            home = entry->pw_dir;
        }
    }
    return home;
}

std::string XdgBaseFolder(const char* variable, const char* underHome) {
    const std::string xdg = AbsoluteFolderFromEnvironment(variable);
    if (!xdg.empty()) {
        return xdg;
    }
    const std::string home = UserHomeFolder();
    return home.empty() ? "" : home + (home.back() == '/' ? "" : "/") + underHome;
}

bool MakePrivateFolder(const std::string& folder, std::vector<std::string>& made) {
    if (folder.empty() || folder[0] != '/') {
        return false;
    }
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && part.back() != '/') {
            if (mkdir(part.c_str(), 0700) == 0) {
                made.push_back(part);
            } else if (errno != EEXIST) {
                return false;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    return (info.st_mode & 0777) == 0700 || chmod(folder.c_str(), 0700) == 0;
}

} // namespace wt
