// The WAV, AIFF and AU readers and writers. Readers take the file's path and replace the
// document's format and samples (1 loaded, 0 not); writers write the document to the file
// named by its title (1 written, 0 not written).
//
// A reader reads the whole sound into a block of its own before it touches the document, so
// a failure never leaves a half-replaced sound. When the file cannot be opened, or its block
// cannot be had (too large, or not enough memory), the reader says so, leaves the document
// exactly as it was and sets *documentKept (when given): the caller then keeps the document's
// name too, so a later save cannot write the old sound over that file.
// A writer writes a temporary file beside the target and renames it over the target only
// once everything was written; on failure it says so, keeps the old file and `modified`.
#pragma once

#include <cstdint>
#include <string>

namespace wt {

struct App;

int LoadWaveFile(App& app, const std::string& path, bool* documentKept = nullptr);
int SaveWaveFile(App& app);
int LoadAiffFile(App& app, const std::string& path, bool* documentKept = nullptr);
int SaveAiffFile(App& app);
int LoadAuFile(App& app, const std::string& path, bool* documentKept = nullptr);
// Asks first when the rate is not 8000 Hz; 0 also when the user declined.
int SaveAuFile(App& app);

// The 80-bit IEEE 754 extended-precision number of AIFF sample rates (10 bytes, big-endian:
// sign and 15-bit exponent, then a 64-bit mantissa with an explicit leading 1).
double ExtendedToDouble(const std::uint8_t bytes[10]);
void DoubleToExtended(double value, std::uint8_t bytes[10]);

} // namespace wt
