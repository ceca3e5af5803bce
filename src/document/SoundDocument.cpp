#include "document/SoundDocument.h"

#include <cstdio>

namespace wt {

int SelectAllIfNone(SoundDocument& doc) {
    if (doc.selStart == doc.selEnd) {
        doc.selStart = 0;
        doc.selEnd = doc.byteLength;
    }
    return 1;
}

std::int32_t PixelToOffset(const SoundDocument& doc, int x) {
    return x * doc.framesPerPixel * doc.format.blockAlign + doc.viewStart;
}

int OffsetToPixel(const SoundDocument& doc, std::int32_t offset) {
    const std::int32_t blockAlign = doc.format.blockAlign ? doc.format.blockAlign : 1;
    const std::int32_t framesPerPixel = doc.framesPerPixel ? doc.framesPerPixel : 1;
    return ((offset - doc.viewStart) / blockAlign) / framesPerPixel;
}

void MoveBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
    if (count == 0 || destination == source) {
        return;
    }
    // memmove has exactly the overlap-safe semantics of the byte-wise copy in either direction.
    std::memmove(destination, source, count);
}

std::string ChannelText(int channels) {
    if (channels == 1) {
        return "Mono";
    }
    if (channels == 2) {
        return "Stereo";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%dch", channels);
    return text;
}

} // namespace wt
