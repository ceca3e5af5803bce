#include "model/WaveImage.h"

#include "model/ByteOrder.h"
#include "model/SoundDocument.h"

#include <algorithm>
#include <cstring>

namespace wt {

namespace {

SoundFormat ParseFormatChunk(const std::uint8_t* body, std::uint32_t chunkSize) {
    SoundFormat format;
    format.formatTag = GetLe16(body);
    format.channels = GetLe16(body + 2);
    format.sampleRate = GetLe32(body + 4);
    format.bytesPerSecond = GetLe32(body + 8);
    format.blockAlign = GetLe16(body + 12);
    format.bitsPerSample = GetLe16(body + 14);
    format.extraSize = chunkSize >= 18 ? GetLe16(body + 16) : 0;
    return format;
}

} // namespace

void WriteWaveHeader(std::uint8_t header[kWaveHeaderBytes], const SoundFormat& format,
                     std::uint32_t dataBytes) {
    PutFourCc(header, "RIFF");
    PutLe32(header + 4, dataBytes + 36);
    PutFourCc(header + 8, "WAVE");
    PutFourCc(header + 12, "fmt ");
    PutLe32(header + 16, 16);
    PutLe16(header + 20, format.formatTag);
    PutLe16(header + 22, format.channels);
    PutLe32(header + 24, format.sampleRate);
    PutLe32(header + 28, format.bytesPerSecond);
    PutLe16(header + 32, format.blockAlign);
    PutLe16(header + 34, format.bitsPerSample);
    PutFourCc(header + 36, "data");
    PutLe32(header + 40, dataBytes);
}

WaveChunks WalkWaveChunks(const ReadAtFunction& readAt, std::uint64_t size) {
    WaveChunks found;
    std::uint8_t header[12] = {};
    const std::size_t headerBytes = readAt(0, header, sizeof header);
    found.riff = headerBytes >= 4 && IsFourCc(header, "RIFF");
    found.wave = found.riff && headerBytes >= 12 && IsFourCc(header + 8, "WAVE");
    if (!found.wave) {
        return found;
    }
    // Every step advances by at least 8 bytes and the walk stops where no whole chunk header
    // is left, so it always ends.
    std::uint64_t position = 12;
    std::uint8_t chunk[8];
    while (position + 8 <= size && readAt(position, chunk, sizeof chunk) == sizeof chunk) {
        const std::uint32_t chunkSize = GetLe32(chunk + 4);
        if (IsFourCc(chunk, "fmt ")) {
            std::uint8_t body[18] = {};
            readAt(position + 8, body, sizeof body);
            const SoundFormat parsed = ParseFormatChunk(body, chunkSize);
            if (parsed.formatTag != 1 || !IsUsableFormat(parsed)) {
                found.refused = true;
                return found;
            }
            found.format = parsed;
            found.formatSeen = true;
        } else if (IsFourCc(chunk, "data")) {
            found.dataSeen = true;
            found.dataOffset = position + 8;
            found.dataBytes = chunkSize;
        } else if (IsFourCc(chunk, "LIST") && chunkSize >= 4) {
            std::uint8_t listType[4] = {};
            if (readAt(position + 8, listType, sizeof listType) == sizeof listType &&
                IsFourCc(listType, "INFO")) {
                found.infoSeen = true;
                found.infoOffset = position + 12;
                found.infoBytes = chunkSize - 4;
            }
        }
        position += 8 + std::uint64_t{chunkSize} + (chunkSize & 1u);
    }
    return found;
}

bool ParseWaveImage(const std::uint8_t* bytes, std::size_t size, WaveImageView& view) {
    const WaveChunks found = WalkWaveChunks(
        [bytes, size](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
            if (offset >= size) {
                return std::size_t{0};
            }
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
            std::memcpy(out, bytes + offset, n);
            return n;
        },
        size);
    if (!found.formatSeen || found.refused || !found.dataSeen ||
        found.dataOffset + found.dataBytes > size) {
        return false;
    }
    view.format = found.format;
    view.dataOffset = static_cast<std::size_t>(found.dataOffset);
    view.dataBytes = static_cast<std::uint32_t>(found.dataBytes);
    return true;
}

} // namespace wt
