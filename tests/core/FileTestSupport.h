// Helpers of the sound-file tests: files built byte by byte, a signal generated per channel,
// and the document compared with what it held before.
#pragma once

#include "TestApp.h"

#include "model/SampleBlock.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace wt::test {

using Bytes = std::vector<std::uint8_t>;

// A file image assembled field by field.
class ByteWriter {
public:
    ByteWriter& Text(const char* text) {
        for (; *text; ++text) {
            bytes.push_back(static_cast<std::uint8_t>(*text));
        }
        return *this;
    }
    ByteWriter& Le16(std::uint32_t v) { return Raw({v & 0xFF, v >> 8 & 0xFF}); }
    ByteWriter& Le32(std::uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
    ByteWriter& Be16(std::uint32_t v) { return Raw({v >> 8 & 0xFF, v & 0xFF}); }
    ByteWriter& Be32(std::uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
    ByteWriter& Raw(std::initializer_list<std::uint32_t> values) {
        for (auto v : values) {
            bytes.push_back(static_cast<std::uint8_t>(v));
        }
        return *this;
    }
    ByteWriter& Append(const Bytes& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    ByteWriter& Fill(std::size_t count, std::uint8_t value) {
        bytes.insert(bytes.end(), count, value);
        return *this;
    }
    Bytes bytes;
};

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A WAVE "fmt " chunk of 16 bytes.
inline Bytes WaveFormatChunk(int tag, int channels, std::uint32_t rate, int blockAlign, int bits) {
    return ByteWriter()
        .Text("fmt ")
        .Le32(16)
        .Le16(static_cast<std::uint32_t>(tag))
        .Le16(static_cast<std::uint32_t>(channels))
        .Le32(rate)
        .Le32(rate * static_cast<std::uint32_t>(blockAlign))
        .Le16(static_cast<std::uint32_t>(blockAlign))
        .Le16(static_cast<std::uint32_t>(bits))
        .bytes;
}

inline Bytes Chunk(const char* id, const Bytes& body, bool littleEndian, bool pad = true) {
    ByteWriter w;
    w.Text(id);
    littleEndian ? w.Le32(static_cast<std::uint32_t>(body.size()))
                 : w.Be32(static_cast<std::uint32_t>(body.size()));
    w.Append(body);
    if (pad && body.size() % 2) {
        w.Raw({0});
    }
    return w.bytes;
}

// "RIFF" size "WAVE" followed by `chunks`.
inline Bytes RiffWave(const Bytes& chunks) {
    return ByteWriter()
        .Text("RIFF")
        .Le32(static_cast<std::uint32_t>(chunks.size() + 4))
        .Text("WAVE")
        .Append(chunks)
        .bytes;
}

// "FORM" size "AIFF" followed by `chunks`.
inline Bytes FormAiff(const Bytes& chunks) {
    return ByteWriter()
        .Text("FORM")
        .Be32(static_cast<std::uint32_t>(chunks.size() + 4))
        .Text("AIFF")
        .Append(chunks)
        .bytes;
}

// A "COMM" chunk with the rate given as its 10 extended-precision bytes.
inline Bytes CommChunk(int channels, std::uint32_t frames, int bits, const Bytes& rate) {
    ByteWriter body;
    body.Be16(static_cast<std::uint32_t>(channels))
        .Be32(frames)
        .Be16(static_cast<std::uint32_t>(bits));
    body.Append(rate);
    return Chunk("COMM", body.bytes, false);
}

inline Bytes SsndChunk(const Bytes& samples, std::uint32_t offset = 0) {
    ByteWriter body;
    body.Be32(offset).Be32(0).Fill(offset, 0xEE).Append(samples);
    return Chunk("SSND", body.bytes, false);
}

// 80-bit extended bytes of the usual rates.
inline Bytes Extended(std::initializer_list<std::uint32_t> leading) {
    Bytes b(10, 0);
    std::size_t i = 0;
    for (auto v : leading) {
        b[i++] = static_cast<std::uint8_t>(v);
    }
    return b;
}

// An AU header of 24 bytes, then `annotation` zero bytes, then the codes.
inline Bytes AuFile(std::uint32_t offset, std::uint32_t size, std::uint32_t encoding,
                    std::uint32_t rate, std::uint32_t channels, const Bytes& codes,
                    std::size_t annotation = 8) {
    return ByteWriter()
        .Text(".snd")
        .Be32(offset)
        .Be32(size)
        .Be32(encoding)
        .Be32(rate)
        .Be32(channels)
        .Fill(annotation, 0)
        .Append(codes)
        .bytes;
}

// The test signal of one channel on the 16-bit scale: a sine whose frequency depends on the
// channel, a pulse every 97 frames and a DC level per channel.
inline int TestSignal(int frame, int channel) {
    const double sine = std::sin(frame * (0.05 + 0.03 * channel)) * 20000;
    const int pulse = frame % 97 == 0 ? 9000 : 0;
    const int dc = channel == 0 ? 1000 : -1500;
    return static_cast<int>(sine) + pulse + dc;
}

// The document's samples as bytes.
inline Bytes DocumentBytes(const SoundDocument& doc) {
    return Bytes(doc.Data(), doc.Data() + doc.byteLength);
}

// Lifts the test allocation limit when the test ends, however it ends.
struct AllocationLimit {
    explicit AllocationLimit(std::size_t bytes) {
        SampleBlock::SetAllocationLimitForTesting(bytes);
    }
    ~AllocationLimit() { SampleBlock::SetAllocationLimitForTesting(0); }
};

} // namespace wt::test
