// printf-style formatting into a std::string, for the system's status and message texts.
#pragma once

#include <cstdarg>
#include <string>

namespace wt {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...);

// `text` with the ASCII letters a-z made capitals ("flac" -> "FLAC"); other bytes unchanged.
std::string UpperCase(std::string text);

} // namespace wt
