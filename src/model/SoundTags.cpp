#include "model/SoundTags.h"

#include "model/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace wt {

namespace {

constexpr TagField kAllFields[kTagFieldCount] = {
    TagField::Title,    TagField::Artist, TagField::Album,       TagField::Date,
    TagField::Comment,  TagField::Genre,  TagField::TrackNumber, TagField::Copyright,
    TagField::Software, TagField::License};

// The text of `size` bytes up to the first NUL.
std::string TextUpToNul(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return {};
    }
    const auto* text = reinterpret_cast<const char*>(bytes);
    const auto* nul = static_cast<const char*>(std::memchr(text, 0, size));
    return std::string(text, nul ? static_cast<std::size_t>(nul - text) : size);
}

// Appends a chunk header and `text` (with a terminating NUL when `withNul`), padded to an
// even size; the size word is little-endian for RIFF, big-endian for AIFF.
void AppendTextChunk(std::vector<std::uint8_t>& out, const char* id, const std::string& text,
                     bool withNul, bool littleEndian) {
    const auto size = static_cast<std::uint32_t>(text.size() + (withNul ? 1 : 0));
    std::uint8_t header[8];
    PutFourCc(header, id);
    littleEndian ? PutLe32(header + 4, size) : PutBe32(header + 4, size);
    out.insert(out.end(), header, header + 8);
    out.insert(out.end(), text.begin(), text.end());
    if (withNul) {
        out.push_back(0);
    }
    if (size & 1u) {
        out.push_back(0);
    }
}

} // namespace

bool SoundTags::Empty() const {
    return std::all_of(values.begin(), values.end(),
                       [](const std::string& value) { return value.empty(); });
}

const char* RiffInfoId(TagField field) {
    switch (field) {
    case TagField::Title:
        return "INAM";
    case TagField::Artist:
        return "IART";
    case TagField::Album:
        return "IPRD";
    case TagField::Date:
        return "ICRD";
    case TagField::Comment:
        return "ICMT";
    case TagField::Genre:
        return "IGNR";
    case TagField::TrackNumber:
        return "ITRK";
    case TagField::Copyright:
        return "ICOP";
    case TagField::Software:
        return "ISFT";
    case TagField::License:
        break;
    }
    return nullptr;
}

std::vector<std::uint8_t> MakeRiffInfoChunk(const SoundTags& tags) {
    std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'I', 'N', 'F', 'O'};
    for (const TagField field : kAllFields) {
        if (RiffInfoId(field) && !tags[field].empty()) {
            AppendTextChunk(list, RiffInfoId(field), tags[field], true, true);
        }
    }
    if (list.size() == 12) {
        return {};
    }
    PutLe32(list.data() + 4, static_cast<std::uint32_t>(list.size() - 8));
    return list;
}

void ParseRiffInfo(const std::uint8_t* body, std::size_t size, SoundTags& tags) {
    // Every step advances by at least 8 bytes, so the walk ends.
    for (std::size_t position = 0; position + 8 <= size;) {
        const std::uint8_t* chunk = body + position;
        const std::size_t chunkSize = GetLe32(chunk + 4);
        const std::size_t present = std::min(chunkSize, size - position - 8);
        const std::string text = TextUpToNul(chunk + 8, present);
        for (const TagField field : kAllFields) {
            if (RiffInfoId(field) && IsFourCc(chunk, RiffInfoId(field))) {
                tags[field] = text;
            }
        }
        if (IsFourCc(chunk, "IPRT") && tags[TagField::TrackNumber].empty()) {
            tags[TagField::TrackNumber] = text;
        }
        if (chunkSize > size - position - 8) {
            break;
        }
        position += 8 + chunkSize + (chunkSize & 1u);
    }
}

const char* AiffTextChunkId(TagField field) {
    switch (field) {
    case TagField::Title:
        return "NAME";
    case TagField::Artist:
        return "AUTH";
    case TagField::Copyright:
        return "(c) ";
    case TagField::Comment:
        return "ANNO";
    default:
        return nullptr;
    }
}

bool IsAiffTextChunk(const std::uint8_t id[4]) {
    return std::any_of(std::begin(kAllFields), std::end(kAllFields), [id](TagField field) {
        return AiffTextChunkId(field) && IsFourCc(id, AiffTextChunkId(field));
    });
}

std::vector<std::uint8_t> MakeAiffTextChunks(const SoundTags& tags) {
    std::vector<std::uint8_t> chunks;
    for (const TagField field : kAllFields) {
        if (AiffTextChunkId(field) && !tags[field].empty()) {
            AppendTextChunk(chunks, AiffTextChunkId(field), tags[field], false, false);
        }
    }
    return chunks;
}

bool ReadAiffTextChunk(const std::uint8_t id[4], const std::uint8_t* body, std::size_t size,
                       SoundTags& tags) {
    for (const TagField field : kAllFields) {
        if (AiffTextChunkId(field) && IsFourCc(id, AiffTextChunkId(field))) {
            const std::string text = TextUpToNul(body, size);
            std::string& value = tags[field];
            if (field != TagField::Comment || value.empty()) {
                value = text;
            } else if (value.size() + 1 + text.size() <= kMaxTagChunkBytes) {
                // Joined only up to the size of one chunk: a file of many annotations must
                // not grow the comment without end.
                value += "\n" + text;
            }
            return true;
        }
    }
    return false;
}

} // namespace wt
