// The text tags a sound file carries beside its samples (title, artist, album...), kept with the
// sound so that a save writes them again, and their layout in the two containers the editor
// writes itself: the RIFF "LIST" chunk of type "INFO" and the AIFF text chunks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wt {

// The tags libsndfile knows, in the order the information dialog lists them.
enum class TagField : int {
    Title,
    Artist,
    Album,
    Date,
    Comment,
    Genre,
    TrackNumber,
    Copyright,
    Software,
    License,
};
inline constexpr int kTagFieldCount = 10;

struct SoundTags {
    // Each tag's text as the file held it, bytes unchanged and without a terminating NUL;
    // an empty text is a tag the file did not have.
    std::array<std::string, kTagFieldCount> values;

    std::string& operator[](TagField field) { return values[static_cast<std::size_t>(field)]; }
    const std::string& operator[](TagField field) const {
        return values[static_cast<std::size_t>(field)];
    }
    bool Empty() const;

    friend bool operator==(const SoundTags&, const SoundTags&) = default;
};

// A tag chunk larger than this is read only this far: a damaged size must not decide memory.
inline constexpr std::size_t kMaxTagChunkBytes = std::size_t{1} << 20;

// The RIFF INFO id of a field ("INAM", "IART", "IPRD", "ICRD", "ICMT", "IGNR", "ITRK", "ICOP",
// "ISFT"); nullptr for the license, which INFO has no id for.
const char* RiffInfoId(TagField field);
// The whole "LIST" chunk of type "INFO" holding the tags that have an INFO id, each as a
// subchunk of its text and a terminating NUL, padded to an even size; empty when there are none.
std::vector<std::uint8_t> MakeRiffInfoChunk(const SoundTags& tags);
// Reads the subchunks of an INFO list: `body` holds the `size` bytes that follow the list
// type "INFO". Known ids set their field (text up to the first NUL; "IPRT" is read as the
// track number too), others are skipped; a subchunk running past the end gives what is there.
void ParseRiffInfo(const std::uint8_t* body, std::size_t size, SoundTags& tags);

// The AIFF text chunk of a field: "NAME", "AUTH", "(c) ", "ANNO"; nullptr for the others.
const char* AiffTextChunkId(TagField field);
// Whether the chunk id `id` is one of those four.
bool IsAiffTextChunk(const std::uint8_t id[4]);
// The text chunks holding the tags that have one, each padded to an even size; empty when
// there are none.
std::vector<std::uint8_t> MakeAiffTextChunks(const SoundTags& tags);
// When `id` names an AIFF text chunk, stores its `size` bytes of text (up to the first NUL) in
// the field and returns true; several "ANNO" chunks are joined by line breaks up to
// kMaxTagChunkBytes, later ones beyond it are left out.
bool ReadAiffTextChunk(const std::uint8_t id[4], const std::uint8_t* body, std::size_t size,
                       SoundTags& tags);

} // namespace wt
