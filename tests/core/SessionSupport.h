// Helpers of the tests that drive every command of the command table: an editor with fake
// wave devices, the document (or the undo snapshot) captured as a value, and one command run
// to its end as a user would, including the device activity a transport command starts.
#pragma once

#include "TestApp.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace wt::test {

// What a document (or the undo snapshot) holds that undo exchanges: the format record, the
// samples and the positions.
struct SoundState {
    SoundFormat format;
    std::vector<std::uint8_t> bytes;
    std::int32_t selStart = 0, selEnd = 0, cursor = 0, anchor = 0;

    static SoundState Of(const SoundDocument& doc) {
        return {doc.format, Copy(doc.Data(), doc.byteLength), doc.selStart, doc.selEnd, doc.cursor,
                doc.anchor};
    }
    static SoundState Of(const UndoSnapshot& undo) {
        return {undo.format,   Copy(undo.data.Data(), undo.length),
                undo.selStart, undo.selEnd,
                undo.cursor,   undo.anchor};
    }
    static std::vector<std::uint8_t> Copy(const std::uint8_t* data, std::int32_t length) {
        return length > 0 ? std::vector<std::uint8_t>(data, data + length)
                          : std::vector<std::uint8_t>();
    }
    bool SameSound(const SoundState& other) const {
        return format == other.format && bytes == other.bytes;
    }
    bool operator==(const SoundState& other) const {
        return SameSound(other) && selStart == other.selStart && selEnd == other.selEnd &&
               cursor == other.cursor && anchor == other.anchor;
    }
    std::string Describe() const {
        std::ostringstream out;
        out << format.sampleRate << " Hz " << format.bitsPerSample << "-bit " << format.channels
            << " ch, " << bytes.size() << " bytes, sel " << selStart << ".." << selEnd
            << ", cursor " << cursor << ", anchor " << anchor;
        return out.str();
    }
};

// What must hold of a document between any two commands. Empty when it holds; otherwise
// what is wrong.
inline std::string DocumentProblem(const SoundDocument& doc) {
    const int align = doc.format.blockAlign;
    std::ostringstream out;
    if (align <= 0 || doc.byteLength < 0 || doc.byteLength % align != 0) {
        out << "byteLength " << doc.byteLength << " is no multiple of block align " << align;
    } else if (!(0 <= doc.selStart && doc.selStart <= doc.selEnd && doc.selEnd <= doc.byteLength)) {
        out << "selection " << doc.selStart << ".." << doc.selEnd << " outside 0.."
            << doc.byteLength;
    } else if (doc.cursor < 0 || doc.cursor > doc.byteLength) {
        out << "cursor " << doc.cursor << " outside 0.." << doc.byteLength;
    } else if (doc.selStart % align || doc.selEnd % align || doc.cursor % align) {
        out << "selection " << doc.selStart << ".." << doc.selEnd << " or cursor " << doc.cursor
            << " not on a frame of " << align << " bytes";
    } else if (doc.sampleData.Size() < static_cast<std::size_t>(doc.byteLength)) {
        out << "block of " << doc.sampleData.Size() << " bytes holds " << doc.byteLength;
    }
    return out.str();
}

// The lowest and highest sample of `channel` over frames [from, to), read one by one.
inline std::pair<int, int> FrameExtremes(const SoundDocument& doc, std::int64_t from,
                                         std::int64_t to, int channel) {
    int lo = 32767, hi = -32768;
    for (std::int64_t f = from; f < to; ++f) {
        const int v = ReadSample(doc, doc.Data() + f * doc.format.blockAlign, channel);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    return {lo, hi};
}

// The drawing summary against the samples: each whole block and the whole sound give the
// extremes that reading every frame gives. Asking fills every block, so a later change of the
// samples that leaves the summary as it was shows up at the next look.
inline std::string SummaryProblem(SoundDocument& doc) {
    const int channels = doc.format.channels, align = doc.format.blockAlign;
    if (channels < 1 || channels > 2 || align <= 0) {
        return "";
    }
    const std::int64_t frames = doc.byteLength / align;
    const std::int64_t block = PeakSummary::kBlockFrames;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    for (std::int64_t b = 0; (b + 1) * block <= frames; ++b) {
        ranges.emplace_back(b * block, (b + 1) * block);
    }
    if (frames > 0) {
        ranges.emplace_back(0, frames);
    }
    for (const auto& [from, to] : ranges) {
        int low[2], high[2];
        doc.peaks.Range(doc, from, to, low, high);
        for (int c = 0; c < channels; ++c) {
            const auto [lo, hi] = FrameExtremes(doc, from, to, c);
            if (low[c] != lo || high[c] != hi) {
                std::ostringstream out;
                out << "drawing summary of frames " << from << ".." << to << " channel " << c
                    << " says " << low[c] << ".." << high[c] << ", the samples " << lo << ".."
                    << hi;
                return out.str();
            }
        }
    }
    return "";
}

// An editor with fake wave devices, started as the real one starts.
struct Rig {
    FakeWaveDevices devices; // outlives the editor, which closes it when it goes
    TestApp t;
    Rig() { t.host.UseDevices(&devices); }
    App& app() { return t.app; }
    SoundDocument& doc() { return t.app.doc; }
};

// Dispatches command `id` and lets what it started on the devices end: a recording takes
// `recordBytes` of a ramp and is stopped, playback reaches its end. Returns the command's
// result.
inline int RunCommand(Rig& r, int id, std::size_t recordBytes = 4000) {
    const int result = DispatchCommand(r.app(), id);
    if (r.app().audio.recording) {
        std::vector<std::uint8_t> sound(recordBytes);
        for (std::size_t i = 0; i < sound.size(); ++i) {
            sound[i] = static_cast<std::uint8_t>(i * 7);
        }
        r.devices.Record(sound.data(), sound.size());
        r.t.host.DeliverPosted();
        if (r.app().audio.recording) {
            DispatchCommand(r.app(), IDM_STOP);
        }
    }
    if (r.devices.playing) {
        if (r.devices.outputLoop) {
            DispatchCommand(r.app(), IDM_STOP);
        } else {
            r.devices.FinishOutput();
        }
    }
    r.t.host.DeliverPosted();
    return result;
}

} // namespace wt::test
