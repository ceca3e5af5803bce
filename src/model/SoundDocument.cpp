#include "model/SoundDocument.h"

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

bool IsUsableFormat(const SoundFormat& format) {
    if (format.channels == 0 || format.blockAlign == 0 || format.sampleRate == 0 ||
        format.bitsPerSample == 0) {
        return false;
    }
    const std::uint32_t containerBytes = (format.bitsPerSample + 7u) / 8u;
    // A second of it must be countable in the format record's 32 bits, as the AIFF and AU
    // readers require: otherwise a sound opened from a WAV file could be saved as AIFF or AU
    // and never opened again.
    return std::uint64_t{format.channels} * containerBytes <= format.blockAlign &&
           std::uint64_t{format.sampleRate} * format.blockAlign <= 0xFFFFFFFFu;
}

bool IsHoldableFormat(const SoundFormat& format) {
    return IsUsableFormat(format) && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.channels <= 2;
}

} // namespace wt
