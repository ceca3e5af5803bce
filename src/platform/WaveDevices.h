// The wave devices: one output device that plays a block of PCM frames and one input device
// that records into a block, each opened on its own, plus what the devices can do.
//
// The calls mirror the classic wave-audio services. A block handed to the device is read or
// written in place until the device reports it done; the report reaches the editor as a
// posted message to the main window (msg::WaveOutDone / msg::WaveInData, wParam the handle
// the open call gave), delivered on the user-interface thread. The audio itself never touches
// the editor: it only reads or fills the block it was given.
//
// The real devices are PortAudio's (hosts/portaudio); tests and batch runs without sound
// use FakeWaveDevices (hosts/scripted).
#pragma once

#include "platform/FrameSource.h"
#include "platform/Messages.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace wt {

// Results of the device calls, with the values of the classic multimedia error codes.
enum class WaveResult : int {
    Ok = 0,
    Error = 1,       // any other failure: the device cannot be opened
    BadDeviceId = 2, // no such device (any more)
    Allocated = 4,   // the device is in use
    NoMemory = 7,
    BadFormat = 32, // the device does not take this format
    Sync = 35,      // a synchronous driver (no such devices here; kept for completeness)
};

// The identifier of the default device ("wave mapper"); devices are 0 .. count - 1.
inline constexpr int kWaveMapper = -1;

// Bits of WaveDeviceCaps::formats: 11.025, 22.05 and 44.1 kHz for each of 8/16 bits,
// mono/stereo.
namespace wavefmt {
inline constexpr std::uint32_t Mono8_11k = 0x1, Stereo8_11k = 0x2, Mono16_11k = 0x4,
                               Stereo16_11k = 0x8;
inline constexpr std::uint32_t Mono8_22k = 0x10, Stereo8_22k = 0x20, Mono16_22k = 0x40,
                               Stereo16_22k = 0x80;
inline constexpr std::uint32_t Mono8_44k = 0x100, Stereo8_44k = 0x200, Mono16_44k = 0x400,
                               Stereo16_44k = 0x800;
} // namespace wavefmt

// Bits of WaveDeviceCaps::support (output devices).
namespace wavecaps {
inline constexpr std::uint32_t Pitch = 0x1, PlaybackRate = 0x2, Volume = 0x4, LrVolume = 0x8,
                               Sync = 0x10;
} // namespace wavecaps

struct WaveDeviceCaps {
    std::string name; // product name
    unsigned manufacturerId = 0;
    unsigned productId = 0;
    unsigned driverVersion = 0; // major version in the high byte, minor in the low byte
    int channels = 0;
    std::uint32_t formats = 0; // wavefmt bits
    std::uint32_t support = 0; // wavecaps bits
};

// The format a device is opened with: linear PCM, 8-bit unsigned or 16-bit signed samples,
// interleaved frames of blockAlign bytes.
struct WaveFormat {
    int channels = 1;
    std::uint32_t sampleRate = 22050;
    int bitsPerSample = 8;
    int blockAlign = 1;
    // Asks for the device's short buffering: a sound that changes while it plays (an effect's
    // preview) is heard sooner, at some more risk of a gap on a busy machine.
    bool lowLatency = false;
};

class WaveDevices {
public:
    virtual ~WaveDevices() = default;

    // Where the done reports go: (message, handle). Called from a thread of the device layer,
    // never from the audio callback; the host turns it into a message posted to the main
    // window. An empty function drops the reports; after SetNotify returns, the previous one
    // is no longer called.
    using Notify = std::function<void(unsigned message, WParam handle)>;
    virtual void SetNotify(Notify notify) = 0;

    // The devices present; capabilities of identifier kWaveMapper .. count - 1 (false when
    // there is no such device).
    virtual int OutputCount() = 0;
    virtual int InputCount() = 0;
    virtual bool OutputCaps(int id, WaveDeviceCaps& caps) = 0;
    virtual bool InputCaps(int id, WaveDeviceCaps& caps) = 0;

    // --- Output (one open at a time) -----------------------------------------------------------
    // Opens output device `id` for `format`; `handle` identifies this opening in the report.
    virtual WaveResult OpenOutput(int id, const WaveFormat& format, WParam& handle) = 0;
    // Starts playing `length` bytes (whole frames) at `data`, read in place until the done
    // report. With `loop` the bytes repeat without a gap until ResetOutput. When it fails,
    // nothing plays and no report comes.
    virtual WaveResult WriteOutput(const std::uint8_t* data, std::size_t length, bool loop) = 0;
    // Starts playing frames pulled from `source` in the format the device was opened with,
    // until the source ends (the done report follows) or ResetOutput. The caller keeps the
    // source alive until CloseOutput. A device that cannot stream answers Error.
    virtual WaveResult StreamOutput(FrameSource&) { return WaveResult::Error; }
    // Stops playing at once; the done report follows.
    virtual void ResetOutput() = 0;
    // Frames heard since the start (counting every repeat of a loop).
    virtual std::int64_t OutputPosition() = 0;
    // Closes the device; from now on it no longer reads the block.
    virtual void CloseOutput() = 0;

    // --- Input (one open at a time) ------------------------------------------------------------
    virtual WaveResult OpenInput(int id, const WaveFormat& format, WParam& handle) = 0;
    // Makes `length` bytes at `data` the block to record into.
    virtual WaveResult PrepareInput(std::uint8_t* data, std::size_t length) = 0;
    // Hands the prepared block to the device.
    virtual WaveResult AddInputBuffer() = 0;
    // Starts recording. The done report comes when the block is full or after ResetInput.
    virtual WaveResult StartInput() = 0;
    // Stops recording; what was recorded stays in the block.
    virtual void StopInput() = 0;
    // Returns the block with what was recorded so far; the done report follows.
    virtual void ResetInput() = 0;
    // Frames recorded so far, and the bytes they fill at the start of the block.
    virtual std::int64_t InputPosition() = 0;
    virtual std::size_t InputBytesRecorded() = 0;
    // Closes the device; from now on it no longer writes the block.
    virtual void CloseInput() = 0;
};

} // namespace wt
