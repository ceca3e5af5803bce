#include "commands/file/FormatConversion.h"

#include "commands/file/FileTexts.h"
#include "commands/file/NewDialog.h"
#include "commands/file/SoundFileSupport.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/SampleOps.h"
#include "model/Undo.h"
#include "view/BusyScope.h"

#include <cstring>

namespace wt {

namespace {

// Every sample block keeps this many bytes after the data.
constexpr std::size_t kSpareBytes = 16;

// Any rate the document can hold converts: the arithmetic takes the rate only as a ratio. The
// samples must be 8 or 16 bits in one or two channels: other depths read as silence, and a
// conversion would turn the sound into that without a word.
bool IsConvertibleSource(const SoundFormat& from) {
    return (from.channels == 1 || from.channels == 2) &&
           (from.bitsPerSample == 8 || from.bitsPerSample == 16) && IsUsableFormat(from);
}

struct Conversion {
    const std::uint8_t* source;
    std::int64_t sourceFrames; // N >= 1 whenever there is an output frame
    int sourceAlign;
    double sourceRate, targetRate;
    std::uint8_t* target;
    std::int64_t targetFrames; // M
    int targetAlign;
    int targetChannels;
    int peak;
};

// One pass over the output frames. SourceChannels is 1 or 2; TargetChannels is 1 or 2, or 0
// for any count (read at run time); SameRate: source frame u for output frame u.
template <int SourceChannels, int TargetChannels, bool SameRate, class In, class Out>
void Convert(App& app, const Conversion& c, In in, Out out) {
    const int targetChannels = TargetChannels != 0 ? TargetChannels : c.targetChannels;
    const std::int64_t lastFrame = c.sourceFrames - 1;
    ForEachWithProgress(
        app, filetext::kCaptionConvert, c.targetFrames, c.targetFrames,
        [](std::int64_t u) { return u; },
        [&](std::int64_t u) {
            std::int64_t i = u;
            double f = 0;
            if constexpr (!SameRate) {
                const double p = static_cast<double>(u) * c.sourceRate / c.targetRate;
                i = static_cast<std::int64_t>(p);
                f = p - static_cast<double>(i);
            }
            // Positions are below N by construction; only rounding at the very end of a huge
            // sound could reach N.
            if (i > lastFrame) {
                i = lastFrame;
                f = 0;
            }
            const std::uint8_t* a = c.source + i * c.sourceAlign;
            std::uint8_t* frame = c.target + u * c.targetAlign;
            if constexpr (SourceChannels == 1) {
                int value = in.Read(a, 0);
                if (!SameRate && f != 0 && i < lastFrame) {
                    const int b = in.Read(a + c.sourceAlign, 0);
                    value = static_cast<int>(value + f * (b - value));
                }
                for (int ch = 0; ch < targetChannels; ++ch) {
                    out.WriteLimited(frame, value, ch, c.peak);
                }
            } else if (targetChannels == 1) {
                out.WriteLimited(frame, (in.Read(a, 0) + in.Read(a, 1)) / 2, 0, c.peak);
            } else {
                out.WriteLimited(frame, in.Read(a, 0), 0, c.peak);
                out.WriteLimited(frame, in.Read(a, 1), 1, c.peak);
                for (int ch = 2; ch < targetChannels; ++ch) {
                    out.WriteLimited(frame, 0, ch, c.peak);
                }
            }
        });
}

template <int SourceChannels, class In, class Out>
void ConvertChannels(App& app, const Conversion& c, In in, Out out) {
    const bool sameRate = c.sourceRate == c.targetRate;
    if (c.targetChannels == 1) {
        sameRate ? Convert<SourceChannels, 1, true>(app, c, in, out)
                 : Convert<SourceChannels, 1, false>(app, c, in, out);
    } else if (c.targetChannels == 2) {
        sameRate ? Convert<SourceChannels, 2, true>(app, c, in, out)
                 : Convert<SourceChannels, 2, false>(app, c, in, out);
    } else {
        Convert<SourceChannels, 0, false>(app, c, in, out);
    }
}

template <class In, class Out>
void ConvertFrames(App& app, const Conversion& c, int sourceChannels, In in, Out out) {
    if (sourceChannels == 1) {
        ConvertChannels<1>(app, c, in, out);
    } else {
        ConvertChannels<2>(app, c, in, out);
    }
}

// Calls f(ops) with the sample operations of a format's depth.
template <class F> void WithOps(const SoundFormat& format, F&& f) {
    const int bytesPerSample = format.blockAlign / format.channels;
    switch (format.bitsPerSample) {
    case 16:
        f(SampleOps<16>{bytesPerSample});
        break;
    case 8:
        f(SampleOps<8>{bytesPerSample});
        break;
    default:
        f(SampleOps<0>{bytesPerSample});
        break;
    }
}

} // namespace

int ConvertFormat(App& app, const SoundFormat& from, const std::uint8_t* source,
                  std::int64_t sourceBytes, const SoundFormat& to, SampleBlock& result,
                  std::int32_t& resultBytes) {
    if (!IsConvertibleSource(from) || !IsUsableFormat(to) || sourceBytes < 0) {
        app.host.MessageBox(Owner::MainWindow, filetext::kConvertNotSupported,
                            filetext::kCaptionConvert, mb::Ok | mb::IconWarning);
        return 0;
    }
    const std::int64_t frames = sourceBytes / from.blockAlign;
    // The product of frames and frame size is formed in 64 bits: in 32 it would wrap for
    // sources of more than about 512 MB and give a negative size.
    const double estimate =
        static_cast<double>(frames * to.blockAlign) * to.sampleRate / from.sampleRate;
    // With any source rate allowed the estimate can pass what 64 bits hold (a long source at
    // 1 Hz made a thousand million times faster), so it is checked before it becomes an
    // integer; a result that large could never be held anyway.
    const bool fits = estimate <= static_cast<double>(kMaxSoundBytes);
    const std::int64_t outFrames =
        fits ? (static_cast<std::int64_t>(estimate) + to.blockAlign - 1) / to.blockAlign : 0;
    const std::int64_t outBytes = outFrames * to.blockAlign;
    SampleBlock block;
    if (!fits || static_cast<std::uint64_t>(outBytes) > kMaxSoundBytes ||
        !block.Resize(static_cast<std::size_t>(outBytes + kSpareBytes))) {
        ShowOutOfMemory(app, filetext::kCaptionConvertMemory);
        return 0;
    }
    std::memset(block.Data() + outBytes, 0, kSpareBytes);
    // Frames of a depth the sample operations do not write, and padding inside frames, would
    // otherwise be whatever the memory held.
    const int containerBytes = (to.bitsPerSample + 7) / 8;
    if ((to.bitsPerSample != 8 && to.bitsPerSample != 16) ||
        to.blockAlign != to.channels * containerBytes) {
        std::memset(block.Data(), 0, static_cast<std::size_t>(outBytes));
    }

    // The busy gate is closed for the duration of the conversion.
    const BusyScope busy(app, false);
    const Conversion c{source,
                       frames,
                       from.blockAlign,
                       static_cast<double>(from.sampleRate),
                       static_cast<double>(to.sampleRate),
                       block.Data(),
                       outFrames,
                       to.blockAlign,
                       to.channels,
                       app.doc.peak};
    WithOps(from, [&](auto in) {
        WithOps(to, [&](auto out) { ConvertFrames(app, c, from.channels, in, out); });
    });
    result = std::move(block);
    resultBytes = static_cast<std::int32_t>(outBytes);
    return 1;
}

int CmdChangeFormat(App& app) {
    SoundDocument& doc = app.doc;
    SoundFormat chosen = doc.format;
    if (!RunNewDialog(app, kDialogChangeFormat, chosen)) {
        return 0;
    }
    SampleBlock converted;
    std::int32_t length = 0;
    if (!ConvertFormat(app, doc.format, doc.Data(), doc.byteLength, chosen, converted, length)) {
        return 0;
    }
    // The sound as it was becomes the undo snapshot, moved rather than copied: Undo brings
    // back the samples and their format, and the memory used is the snapshot plus the result.
    MoveSoundToSnapshot(doc, app.undo, false);
    doc.viewStart = doc.selStart = doc.selEnd = doc.cursor = doc.anchor = 0;
    doc.format = chosen;
    doc.RecomputeBytesPerSample();
    doc.sampleData = std::move(converted);
    doc.byteLength = length;
    doc.modified = true;
    // The view is back at the start; so is the scroll box.
    app.host.SetWaveScrollPos(0, true);
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    RedrawWave(app);
    return 1;
}

} // namespace wt
