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

} // namespace wt
