// A small PNG writer for 8-bit RGB pictures (the waveform window painted off screen). It
// needs no compression library: the image data goes into stored (uncompressed) deflate
// blocks inside the zlib stream, which every PNG reader accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wt {

// CRC-32 as used by PNG chunks (polynomial 0xEDB88320, reflected, final complement).
// `crc` continues a previous result; start with 0.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
// Adler-32 of a zlib stream; `adler` continues a previous result; start with 1.
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

// The bytes of a PNG file of width x height pixels; `rgb` holds the rows top to bottom, three
// bytes (red, green, blue) per pixel, no padding. Empty when the size is not positive or the
// image would not fit a PNG.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb);
// Writes EncodePng's bytes to `path`; false when encoding or writing failed.
bool WritePngFile(const std::string& path, int width, int height, const std::uint8_t* rgb);

} // namespace wt
