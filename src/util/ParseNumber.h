// Strict decimal parsing of whole numbers typed in scripts and on the command line.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <string>

namespace wt {

// Reads `text` as a whole decimal number (an optional sign, digits, nothing else) within
// low..high. False when the text is not such a number or the number does not fit: a number
// out of range is refused, never wrapped or cut.
inline bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.find('\0') != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace wt
