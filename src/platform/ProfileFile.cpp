#include "platform/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wt {

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) {
        --e;
    }
    return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    // Only a regular file is read: a FIFO given as the settings file would block for ever.
    if (!IsRegularFile(path)) {
        return lines;
    }
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// "[Name]" -> "Name"; empty when the line is no section header.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') {
        return false;
    }
    const auto close = t.find(']');
    if (close == std::string::npos) {
        return false;
    }
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
        return false;
    }
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

bool Lookup(const std::vector<std::string>& lines, const std::string& section,
            const std::string& key, std::string& value) {
    bool inSection = false;
    for (const auto& line : lines) {
        std::string name, k, v;
        if (SectionName(line, name)) {
            inSection = EqualNoCase(name, section);
        } else if (inSection && KeyValue(line, k, v) && EqualNoCase(k, key)) {
            // A value ends at a NUL byte, as a C string would, or at a carriage return
            // inside the line: what follows cannot be written back as part of the value.
            value = Trim(v.substr(0, v.find_first_of(std::string("\r\0", 2))));
            return true;
        }
    }
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    const char* at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t put = write(fd, at, left);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        at += put;
        left -= static_cast<std::size_t>(put);
    }
    return true;
}

// Replaces the file at `path` with `text` through a temporary file of its own in the same
// folder, renamed over it. The file keeps its permission bits.
bool ReplaceFile(const std::string& path, const std::string& text) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? "" : folder) + "." + leaf + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // A new file gets 0666 less the umask, as a plain create would (the temporary file itself
    // starts as 0600).
    struct stat st {};
    mode_t mode = 0;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = WriteAll(fd, text) && fchmod(fd, mode) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// The value as it is stored after "key=". Reading trims white space from both ends and takes
// a matching pair of quotes off, so a value that either would change — a path ending in a
// space, a name in quotes — is stored inside a pair of double quotes, which reading takes off
// again. Other values are stored as they are.
std::string StoredValue(const std::string& value) {
    if (value.empty()) {
        return value;
    }
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return space(value.front()) || space(value.back()) || quoted ? '"' + value + '"' : value;
}

} // namespace

bool IsStorableProfileValue(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void ProfileFile::KeepWritesInMemory() {
    inMemory_ = true;
}

std::vector<std::string> ProfileFile::CurrentLines() const {
    return written_ ? *written_ : ReadLines(path_);
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& fallback, std::size_t maxChars) const {
    std::string value;
    if (!Lookup(CurrentLines(), section, key, value)) {
        value = fallback;
    }
    // A value wrapped in matching quotes is returned without them, as the classic call does.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (maxChars > 0 && value.size() > maxChars - 1) {
        value.resize(maxChars - 1);
    }
    return value;
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    std::string value;
    // An empty value counts as missing, as with the classic integer read.
    if (!Lookup(CurrentLines(), section, key, value) || value.empty()) {
        return fallback;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        negative = value[i] == '-';
        ++i;
    }
    long long n = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        n = std::min<long long>(n * 10 + (value[i] - '0'), 1LL << 32);
    }
    n = negative ? -n : n;
    return static_cast<int>(std::clamp<long long>(n, -2147483647LL - 1, 2147483647LL));
}

bool ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) const {
    if ((path_.empty() && !inMemory_) || !IsStorableProfileValue(section) ||
        !IsStorableProfileValue(key) || !IsStorableProfileValue(value)) {
        return false;
    }
    const std::string stored = StoredValue(value);
    std::vector<std::string> lines = CurrentLines();
    bool inSection = false;
    std::ptrdiff_t sectionEnd = -1; // index after the last line of the matching section
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionName(lines[i], name)) {
            if (inSection) {
                break;
            }
            inSection = EqualNoCase(name, section);
            if (inSection) {
                sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
            }
        } else if (inSection) {
            if (KeyValue(lines[i], k, v) && EqualNoCase(k, key)) {
                lines[i] = k + "=" + stored;
                done = true;
            } else if (!Trim(lines[i]).empty()) {
                sectionEnd = static_cast<std::ptrdiff_t>(i) + 1;
            }
        }
    }
    if (!done) {
        if (sectionEnd >= 0) {
            lines.insert(lines.begin() + sectionEnd, key + "=" + stored);
        } else {
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + stored);
        }
    }
    if (inMemory_) {
        written_ = std::move(lines);
        return true;
    }
    std::ostringstream text;
    for (const auto& line : lines) {
        text << line << "\n";
    }
    return ReplaceFile(path_, text.str());
}

} // namespace wt
