// The wave devices on PortAudio: the output and input devices PortAudio lists (through ALSA,
// which reaches PulseAudio or PipeWire on a desktop), with the default device as identifier -1.
//
// Playback reads the editor's block in place, or pulls frames from a source, in the audio
// callback; recording writes into the block handed to it. The callbacks never allocate, lock
// or block: they copy frames, update atomics and, when a block is done (or a source has
// ended and its last frame been heard), wake a reporter thread through a semaphore. That
// thread hands the done report to the notify function, which posts it to the user-interface
// thread. Every other call comes from the user-interface thread.
//
// PortAudio is started at the first call that needs it and kept until this object goes, so the
// device list stays the one seen then.
#pragma once

#include "platform/WaveDevices.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <semaphore.h>

struct PaStreamParameters; // portaudio.h

namespace wt {

class PortAudioSession;

// What a PortAudio error means to the editor. `hostErrorCode` is the host API's own code
// (a negative errno for ALSA) when `error` is paUnanticipatedHostError.
WaveResult WaveResultOf(int error, long hostErrorCode);

class PortAudioWaveDevices : public WaveDevices {
public:
    PortAudioWaveDevices();
    ~PortAudioWaveDevices() override;
    PortAudioWaveDevices(const PortAudioWaveDevices&) = delete;
    PortAudioWaveDevices& operator=(const PortAudioWaveDevices&) = delete;

    // Frames the output callback has handed to the device since WriteOutput or StreamOutput
    // (benchmarks).
    std::int64_t FramesHanded() const;

    void SetNotify(Notify notify) override;
    int OutputCount() override;
    int InputCount() override;
    bool OutputCaps(int id, WaveDeviceCaps& caps) override;
    bool InputCaps(int id, WaveDeviceCaps& caps) override;

    WaveResult OpenOutput(int id, const WaveFormat& format, WParam& handle) override;
    WaveResult WriteOutput(const std::uint8_t* data, std::size_t length, bool loop) override;
    WaveResult StreamOutput(FrameSource& source) override;
    void ResetOutput() override;
    std::int64_t OutputPosition() override;
    void CloseOutput() override;

    WaveResult OpenInput(int id, const WaveFormat& format, WParam& handle) override;
    WaveResult PrepareInput(std::uint8_t* data, std::size_t length) override;
    WaveResult AddInputBuffer() override;
    WaveResult StartInput() override;
    void StopInput() override;
    void ResetInput() override;
    std::int64_t InputPosition() override;
    std::size_t InputBytesRecorded() override;
    void CloseInput() override;

    struct OutputStream;
    struct InputStream;
    // Called from the audio side when a stream's block is done: wakes the reporter.
    void SignalDone(std::atomic<bool>& reported, std::atomic<WParam>& slot, WParam handle);
    std::atomic<WParam> pendingOutput{0};
    std::atomic<WParam> pendingInput{0};

private:
    bool EnsureSession();
    // PortAudio's device index for identifier `id` of one kind; -1 when there is none.
    int DeviceIndex(int id, bool output);
    bool Caps(int id, bool output, WaveDeviceCaps& caps);
    // Opens the PortAudio session if need be and fills the stream parameters for device `id`
    // of one kind in `format`; the failure to report when the device or format will not do.
    WaveResult StreamParameters(int id, const WaveFormat& format, bool output,
                                PaStreamParameters& p);
    void RunReporter();
    // The open output's seconds of sound kept playing after the last frame, and the start of
    // its callback once the renderer is set.
    double HoldBack() const;
    WaveResult StartOutput();

    std::unique_ptr<PortAudioSession> session_;
    bool sessionTried_ = false;
    std::vector<int> outputs_, inputs_; // PortAudio device indexes by identifier
    std::map<int, WaveDeviceCaps> outputCaps_, inputCaps_;

    std::unique_ptr<OutputStream> out_;
    std::unique_ptr<InputStream> in_;
    WParam nextHandle_ = 1;

    std::mutex notifyMutex_;
    Notify notify_;
    sem_t wake_;
    std::atomic<bool> quit_{false};
    std::thread reporter_;
};

} // namespace wt
