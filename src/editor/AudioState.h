// What playback and recording keep between commands and device reports: the transport
// state, the chosen devices, the remembered recording time, and the recording block.
#pragma once

#include "model/SampleBlock.h"
#include "model/SoundDocument.h"
#include "platform/Messages.h"

#include <cstddef>
#include <cstdint>

namespace wt {

// PlayMode values.
inline constexpr int kPlayIdle = 0;
inline constexpr int kPlayAll = 1;        // the whole sound
inline constexpr int kPlayFromCursor = 2; // the selection, or from selStart to the end
inline constexpr int kPlayLoop = 3;       // the selection, repeated until stopped

struct AudioState {
    int playMode = kPlayIdle; // non-zero exactly while the output device is open
    bool recording = false;   // set exactly while the input device is open
    bool stopping = false;    // stop has reset the devices; their done reports are due
    // Device identifiers chosen in the device dialog; -1 is the default device.
    int outputDevice = -1;
    int inputDevice = -1;
    // The recording dialog's maximum time in seconds (1..300), kept for the whole run.
    int recordSeconds = 60;

    // The open devices' handles: a report carrying another handle is stale and ignored.
    WParam outputHandle = 0;
    WParam inputHandle = 0;
    // The slice being played (byte offsets into the document's block).
    std::int32_t playStart = 0;
    std::int32_t playLength = 0;
    // Recording: the block the device fills, its size, and the format it is recorded in.
    // The document keeps the format of its own samples until the recording replaces them.
    SampleBlock recordBlock;
    std::size_t recordBlockSize = 0;
    SoundFormat recordFormat;
    // The last recording ended because its device stopped before the block was full and
    // before stop (what arrived became the sound); cleared when a recording starts.
    bool recordingEndedEarly = false;
};

} // namespace wt
