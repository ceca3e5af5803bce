#include "util/Png.h"

#include <array>
#include <cstdio>

namespace wt {

namespace {

// The CRC of every byte value (row 0), and for slicing by eight, row k the CRC of that byte
// followed by k zero bytes: eight bytes are then folded in with eight lookups at once, which
// keeps checksumming large blocks (the recovery journal's) near memory speed.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;
const CrcTables& CrcTable() {
    static const CrcTables tables = [] {
        CrcTables t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[0][n] = c;
        }
        for (std::size_t k = 1; k < 8; ++k) {
            for (std::uint32_t n = 0; n < 256; ++n) {
                const std::uint32_t previous = t[k - 1][n];
                t[k][n] = t[0][previous & 0xFFu] ^ (previous >> 8);
            }
        }
        return t;
    }();
    return tables;
}

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

// Appends a chunk: length, type, data, CRC over type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char type[4],
              const std::vector<std::uint8_t>& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

} // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    const auto& t = CrcTable();
    crc = ~crc;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const std::uint32_t low =
            crc ^ (std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
                   std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24);
        crc = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
              t[4][low >> 24] ^ t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^
              t[0][data[i + 7]];
    }
    for (; i < size; ++i) {
        crc = t[0][(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler) {
    constexpr std::uint32_t kMod = 65521;
    std::uint32_t a = adler & 0xFFFFu, b = adler >> 16;
    while (size > 0) {
        // 5552 bytes is the longest run whose sums cannot overflow 32 bits before the modulo.
        const std::size_t run = size < 5552 ? size : 5552;
        for (std::size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kMod;
        b %= kMod;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb) {
    if (width <= 0 || height <= 0 || !rgb) {
        return {};
    }
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3 + 1; // filter byte
    const std::uint64_t rawSize = rowBytes * static_cast<std::uint64_t>(height);
    // Stay well inside what a vector and the chunk length field (31 bits) can hold.
    if (rawSize > (std::uint64_t{1} << 30)) {
        return {};
    }

    // The filtered image: every row starts with filter type 0 (none).
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(rawSize));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const std::uint8_t* row = rgb + static_cast<std::size_t>(y) * (rowBytes - 1);
        raw.insert(raw.end(), row, row + (rowBytes - 1));
    }

    // zlib stream: header (deflate, 32 KiB window, no preset dictionary, check bits), stored
    // blocks of at most 65535 bytes, then the Adler-32 of the uncompressed data.
    std::vector<std::uint8_t> z;
    z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    z.push_back(0x78);
    z.push_back(0x01);
    std::size_t done = 0;
    do {
        const std::size_t n = raw.size() - done < 65535 ? raw.size() - done : 65535;
        const bool last = done + n == raw.size();
        z.push_back(last ? 1 : 0); // BFINAL, BTYPE 00 (stored)
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(done),
                 raw.begin() + static_cast<std::ptrdiff_t>(done + n));
        done += n;
    } while (done < raw.size());
    PutBig32(z, Adler32(raw.data(), raw.size()));

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBig32(header, static_cast<std::uint32_t>(width));
    PutBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, filter 0, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return png;
}

bool WritePngFile(const std::string& path, int width, int height, const std::uint8_t* rgb) {
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty()) {
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

} // namespace wt
