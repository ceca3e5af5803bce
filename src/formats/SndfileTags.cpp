#include "formats/SndfileTags.h"

namespace wt {

namespace {

// libsndfile's string type of each field, in TagField's order.
constexpr int kStringTypes[kTagFieldCount] = {
    SF_STR_TITLE, SF_STR_ARTIST,      SF_STR_ALBUM,     SF_STR_DATE,     SF_STR_COMMENT,
    SF_STR_GENRE, SF_STR_TRACKNUMBER, SF_STR_COPYRIGHT, SF_STR_SOFTWARE, SF_STR_LICENSE};

} // namespace

SoundTags ReadSndfileTags(SNDFILE* file) {
    SoundTags tags;
    for (int i = 0; i < kTagFieldCount; ++i) {
        if (const char* text = sf_get_string(file, kStringTypes[i])) {
            tags.values[static_cast<std::size_t>(i)] = text;
        }
    }
    return tags;
}

bool WriteSndfileTags(SNDFILE* file, const SoundTags& tags) {
    for (int i = 0; i < kTagFieldCount; ++i) {
        const std::string& text = tags.values[static_cast<std::size_t>(i)];
        if (!text.empty() && sf_set_string(file, kStringTypes[i], text.c_str()) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace wt
