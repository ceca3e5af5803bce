#include "hosts/portaudio/PortAudioWaveDevices.h"

#include "hosts/portaudio/PortAudioSession.h"
#include "platform/PlaybackRenderer.h"

#include <portaudio.h>
#ifdef WT_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef WT_HAVE_JACK
#include <jack/jack.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace wt {

namespace {

// Buffering asked of the device: enough that a busy machine does not starve the device
// (which would put gaps into the sound), little enough to start promptly. The position
// reported for the bar accounts for it, so the bar still matches the sound.
constexpr double kMinimumLatency = 0.25;
// The buffering of a stream opened for low latency: short enough that a change is heard
// within a tenth of a second or so, long enough for a loaded two-core machine.
constexpr double kLowLatency = 0.05;

constexpr std::uint32_t kRates[] = {11025, 22050, 44100};

#ifdef WT_HAVE_ALSA
// ALSA reports every configuration it probes while PortAudio lists the devices; those
// reports are for the library's developers, not the editor's user.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#ifdef WT_HAVE_JACK
void QuietJack(const char*) {}
#endif

void QuietLibraries() {
#ifdef WT_HAVE_ALSA
    snd_lib_error_set_handler(QuietAlsa);
#endif
#ifdef WT_HAVE_JACK
    jack_set_error_function(QuietJack);
    jack_set_info_function(QuietJack);
#endif
}

PaSampleFormat SampleFormatOf(int bits) {
    return bits == 8 ? paUInt8 : bits == 16 ? paInt16 : 0;
}

// The format a device stream takes, or nullopt-like 0 when the editor's format is not one.
bool CheckFormat(const WaveFormat& f) {
    return f.channels >= 1 && f.sampleRate >= 1 && SampleFormatOf(f.bitsPerSample) != 0 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8;
}

WaveResult LastError(PaError error) {
    long hostCode = 0;
    if (error == paUnanticipatedHostError) {
        if (const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo()) {
            hostCode = info->errorCode;
        }
    }
    return WaveResultOf(error, hostCode);
}

} // namespace

WaveResult WaveResultOf(int error, long hostErrorCode) {
    switch (error) {
    case paNoError:
        return WaveResult::Ok;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
        return WaveResult::BadFormat;
    case paInvalidDevice:
    case paBadIODeviceCombination: // ALSA: the device could not be opened at all
        return WaveResult::BadDeviceId;
    case paDeviceUnavailable: // ALSA: the device is busy
        return WaveResult::Allocated;
    case paInsufficientMemory:
        return WaveResult::NoMemory;
    case paUnanticipatedHostError:
        if (hostErrorCode == -EBUSY || hostErrorCode == -EAGAIN) {
            return WaveResult::Allocated;
        }
        if (hostErrorCode == -ENODEV || hostErrorCode == -ENOENT || hostErrorCode == -ENXIO) {
            return WaveResult::BadDeviceId;
        }
        return WaveResult::Error;
    default:
        return WaveResult::Error;
    }
}

// --- Streams -----------------------------------------------------------------------------------

struct PortAudioWaveDevices::OutputStream {
    PortAudioWaveDevices* owner = nullptr;
    PaStream* stream = nullptr;
    WParam handle = 0;
    int blockAlign = 1;
    std::uint8_t silence = 0;
    double rate = 0;
    double latency = 0;
    bool started = false;
    PlaybackRenderer renderer; // the callback's own from WriteOutput or StreamOutput on
    std::atomic<bool> reported{false};
};

struct PortAudioWaveDevices::InputStream {
    PortAudioWaveDevices* owner = nullptr;
    PaStream* stream = nullptr;
    WParam handle = 0;
    int blockAlign = 1;
    std::uint8_t silence = 0;
    bool added = false;
    bool started = false;
    std::uint8_t* data = nullptr;
    std::size_t capacity = 0; // bytes, whole frames
    std::atomic<std::size_t> recorded{0};
    std::atomic<bool> reported{false};
};

namespace {

int OutputCallback(const void*, void* output, unsigned long frameCount,
                   const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* user) {
    auto* s = static_cast<PortAudioWaveDevices::OutputStream*>(user);
    const double heardAt =
        time->outputBufferDacTime > 0 ? time->outputBufferDacTime : time->currentTime + s->latency;
    return s->renderer.Render(static_cast<std::uint8_t*>(output),
                              static_cast<std::int64_t>(frameCount), time->currentTime, heardAt)
               ? paContinue
               : paComplete;
}

void OutputFinished(void* user) {
    auto* s = static_cast<PortAudioWaveDevices::OutputStream*>(user);
    s->owner->SignalDone(s->reported, s->owner->pendingOutput, s->handle);
}

int InputCallback(const void* input, void*, unsigned long frameCount,
                  const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
    auto* s = static_cast<PortAudioWaveDevices::InputStream*>(user);
    const std::size_t have = s->recorded.load(std::memory_order_relaxed);
    const std::size_t bytes =
        std::min(s->capacity - have, static_cast<std::size_t>(frameCount) * s->blockAlign);
    if (input) {
        std::memcpy(s->data + have, input, bytes);
    } else {
        std::memset(s->data + have, s->silence, bytes);
    }
    s->recorded.store(have + bytes, std::memory_order_release);
    return have + bytes >= s->capacity ? paComplete : paContinue;
}

void InputFinished(void* user) {
    auto* s = static_cast<PortAudioWaveDevices::InputStream*>(user);
    s->owner->SignalDone(s->reported, s->owner->pendingInput, s->handle);
}

// Stops a stream's callback for good (joining its thread) and closes the stream.
void CloseStream(PaStream*& stream) {
    if (!stream) {
        return;
    }
    if (Pa_IsStreamStopped(stream) == 0) {
        Pa_AbortStream(stream);
    }
    Pa_CloseStream(stream);
    stream = nullptr;
}

} // namespace

// --- The object -------------------------------------------------------------------------------

PortAudioWaveDevices::PortAudioWaveDevices() {
    sem_init(&wake_, 0, 0);
    reporter_ = std::thread([this] { RunReporter(); });
}

PortAudioWaveDevices::~PortAudioWaveDevices() {
    CloseOutput();
    CloseInput();
    quit_.store(true);
    sem_post(&wake_);
    reporter_.join();
    sem_destroy(&wake_);
    session_.reset();
}

void PortAudioWaveDevices::SetNotify(Notify notify) {
    const std::lock_guard<std::mutex> lock(notifyMutex_);
    notify_ = std::move(notify);
}

void PortAudioWaveDevices::SignalDone(std::atomic<bool>& reported, std::atomic<WParam>& slot,
                                      WParam handle) {
    if (!reported.exchange(true)) {
        slot.store(handle, std::memory_order_release);
        sem_post(&wake_);
    }
}

void PortAudioWaveDevices::RunReporter() {
    for (;;) {
        while (sem_wait(&wake_) != 0 && errno == EINTR) {
        }
        if (quit_.load()) {
            return;
        }
        const std::pair<unsigned, WParam> reports[] = {
            {msg::WaveOutDone, pendingOutput.exchange(0)},
            {msg::WaveInData, pendingInput.exchange(0)}};
        const std::lock_guard<std::mutex> lock(notifyMutex_);
        for (const auto& [message, handle] : reports) {
            if (handle != 0 && notify_) {
                notify_(message, handle);
            }
        }
    }
}

bool PortAudioWaveDevices::EnsureSession() {
    if (!sessionTried_) {
        sessionTried_ = true;
        QuietLibraries();
        session_ = std::make_unique<PortAudioSession>();
        if (session_->Ok()) {
            for (PaDeviceIndex i = 0, n = Pa_GetDeviceCount(); i < n; ++i) {
                const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
                if (info && info->maxOutputChannels > 0) {
                    outputs_.push_back(i);
                }
                if (info && info->maxInputChannels > 0) {
                    inputs_.push_back(i);
                }
            }
        }
    }
    return session_ && session_->Ok();
}

int PortAudioWaveDevices::DeviceIndex(int id, bool output) {
    if (!EnsureSession()) {
        return paNoDevice;
    }
    if (id == kWaveMapper) {
        return output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
    }
    const std::vector<int>& list = output ? outputs_ : inputs_;
    return id >= 0 && id < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(id)]
                                                         : paNoDevice;
}

int PortAudioWaveDevices::OutputCount() {
    return EnsureSession() ? static_cast<int>(outputs_.size()) : 0;
}

int PortAudioWaveDevices::InputCount() {
    return EnsureSession() ? static_cast<int>(inputs_.size()) : 0;
}

bool PortAudioWaveDevices::Caps(int id, bool output, WaveDeviceCaps& caps) {
    const int count = output ? OutputCount() : InputCount();
    if (id < kWaveMapper || id >= count) {
        return false;
    }
    const PaDeviceIndex index = DeviceIndex(id, output);
    if (index == paNoDevice) {
        caps = {}; // the default row of a machine without devices
        return true;
    }
    std::map<int, WaveDeviceCaps>& cache = output ? outputCaps_ : inputCaps_;
    if (auto it = cache.find(index); it != cache.end()) {
        caps = it->second;
        return true;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (!info) {
        return false;
    }
    WaveDeviceCaps c;
    c.name = info->name ? info->name : "";
    // PortAudio has no manufacturer, product or driver version, nor the support flags.
    c.channels = output ? info->maxOutputChannels : info->maxInputChannels;
    // The bits run 8-bit mono, 8-bit stereo, 16-bit mono, 16-bit stereo for each rate.
    std::uint32_t bit = 1;
    for (std::uint32_t rate : kRates) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                PaStreamParameters p{};
                p.device = index;
                p.channelCount = channels;
                p.sampleFormat = SampleFormatOf(bits);
                p.suggestedLatency =
                    output ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
                const bool supported =
                    channels <= c.channels &&
                    Pa_IsFormatSupported(output ? nullptr : &p, output ? &p : nullptr, rate) ==
                        paFormatIsSupported;
                if (supported) {
                    c.formats |= bit;
                }
                bit <<= 1;
            }
        }
    }
    cache[index] = c;
    caps = c;
    return true;
}

bool PortAudioWaveDevices::OutputCaps(int id, WaveDeviceCaps& caps) {
    return Caps(id, true, caps);
}

bool PortAudioWaveDevices::InputCaps(int id, WaveDeviceCaps& caps) {
    return Caps(id, false, caps);
}

WaveResult PortAudioWaveDevices::StreamParameters(int id, const WaveFormat& format, bool output,
                                                  PaStreamParameters& p) {
    if (!EnsureSession()) {
        return WaveResult::Error;
    }
    const PaDeviceIndex index = DeviceIndex(id, output);
    if (index == paNoDevice) {
        return id == kWaveMapper ? WaveResult::Error : WaveResult::BadDeviceId;
    }
    if (!CheckFormat(format)) {
        return WaveResult::BadFormat;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    const bool low = output && format.lowLatency;
    const double latency = !info    ? 0.0
                           : low    ? info->defaultLowOutputLatency
                           : output ? info->defaultHighOutputLatency
                                    : info->defaultHighInputLatency;
    p = PaStreamParameters{};
    p.device = index;
    p.channelCount = format.channels;
    p.sampleFormat = SampleFormatOf(format.bitsPerSample);
    p.suggestedLatency = std::max(latency, low ? kLowLatency : kMinimumLatency);
    return WaveResult::Ok;
}

// --- Output -----------------------------------------------------------------------------------

WaveResult PortAudioWaveDevices::OpenOutput(int id, const WaveFormat& format, WParam& handle) {
    if (out_) {
        return WaveResult::Allocated;
    }
    PaStreamParameters p{};
    if (const WaveResult failed = StreamParameters(id, format, true, p); failed != WaveResult::Ok) {
        return failed;
    }
    auto s = std::make_unique<OutputStream>();
    s->owner = this;
    s->rate = format.sampleRate;
    s->blockAlign = format.blockAlign;
    s->silence = format.bitsPerSample == 8 ? 128 : 0;
    const PaError opened =
        Pa_OpenStream(&s->stream, nullptr, &p, format.sampleRate, paFramesPerBufferUnspecified,
                      paNoFlag, OutputCallback, s.get());
    if (opened != paNoError) {
        return LastError(opened);
    }
    Pa_SetStreamFinishedCallback(s->stream, OutputFinished);
    if (const PaStreamInfo* streamInfo = Pa_GetStreamInfo(s->stream)) {
        s->latency = streamInfo->outputLatency;
    }
    s->handle = handle = nextHandle_++;
    out_ = std::move(s);
    return WaveResult::Ok;
}

WaveResult PortAudioWaveDevices::WriteOutput(const std::uint8_t* data, std::size_t length,
                                             bool loop) {
    if (!out_ || out_->started) {
        return WaveResult::Error;
    }
    const auto align = static_cast<std::size_t>(out_->blockAlign);
    if (!data || length < align) {
        return WaveResult::Error;
    }
    out_->renderer.Start(data, static_cast<std::int64_t>(length / align), out_->blockAlign, loop,
                         out_->silence, out_->rate, HoldBack());
    return StartOutput();
}

WaveResult PortAudioWaveDevices::StreamOutput(FrameSource& source) {
    if (!out_ || out_->started) {
        return WaveResult::Error;
    }
    out_->renderer.Start(source, out_->blockAlign, out_->silence, out_->rate, HoldBack());
    return StartOutput();
}

// A sound server may hold back more than the delay the device states, and drops it when the
// stream closes: the device is kept running that much longer after the last frame.
double PortAudioWaveDevices::HoldBack() const {
    return std::max(out_->latency, kMinimumLatency);
}

WaveResult PortAudioWaveDevices::StartOutput() {
    const PaError started = Pa_StartStream(out_->stream);
    if (started != paNoError) {
        return LastError(started);
    }
    out_->started = true;
    return WaveResult::Ok;
}

void PortAudioWaveDevices::ResetOutput() {
    if (!out_ || !out_->started) {
        return;
    }
    if (Pa_IsStreamStopped(out_->stream) == 0) {
        Pa_AbortStream(out_->stream);
    }
    SignalDone(out_->reported, pendingOutput, out_->handle);
}

std::int64_t PortAudioWaveDevices::OutputPosition() {
    if (!out_ || !out_->started) {
        return 0;
    }
    if (out_->reported.load()) {
        return out_->renderer.Handed();
    }
    const double now = Pa_GetStreamTime(out_->stream);
    return now > 0 ? out_->renderer.Heard(now) : 0;
}

std::int64_t PortAudioWaveDevices::FramesHanded() const {
    return out_ ? out_->renderer.Handed() : 0;
}

void PortAudioWaveDevices::CloseOutput() {
    if (!out_) {
        return;
    }
    CloseStream(out_->stream);
    out_.reset();
}

// --- Input ------------------------------------------------------------------------------------

WaveResult PortAudioWaveDevices::OpenInput(int id, const WaveFormat& format, WParam& handle) {
    if (in_) {
        return WaveResult::Allocated;
    }
    PaStreamParameters p{};
    if (const WaveResult failed = StreamParameters(id, format, false, p);
        failed != WaveResult::Ok) {
        return failed;
    }
    auto s = std::make_unique<InputStream>();
    s->owner = this;
    s->blockAlign = format.blockAlign;
    s->silence = format.bitsPerSample == 8 ? 128 : 0;
    const PaError opened =
        Pa_OpenStream(&s->stream, &p, nullptr, format.sampleRate, paFramesPerBufferUnspecified,
                      paNoFlag, InputCallback, s.get());
    if (opened != paNoError) {
        return LastError(opened);
    }
    Pa_SetStreamFinishedCallback(s->stream, InputFinished);
    s->handle = handle = nextHandle_++;
    in_ = std::move(s);
    return WaveResult::Ok;
}

WaveResult PortAudioWaveDevices::PrepareInput(std::uint8_t* data, std::size_t length) {
    if (!in_ || in_->started) {
        return WaveResult::Error;
    }
    const std::size_t align = static_cast<std::size_t>(in_->blockAlign);
    if (!data || length < align) {
        return WaveResult::Error;
    }
    in_->data = data;
    in_->capacity = length - length % align;
    return WaveResult::Ok;
}

WaveResult PortAudioWaveDevices::AddInputBuffer() {
    if (!in_ || !in_->data || in_->started) {
        return WaveResult::Error;
    }
    in_->added = true;
    return WaveResult::Ok;
}

WaveResult PortAudioWaveDevices::StartInput() {
    if (!in_ || !in_->added || in_->started) {
        return WaveResult::Error;
    }
    const PaError started = Pa_StartStream(in_->stream);
    if (started != paNoError) {
        return LastError(started);
    }
    in_->started = true;
    return WaveResult::Ok;
}

void PortAudioWaveDevices::StopInput() {
    if (in_ && in_->started && Pa_IsStreamStopped(in_->stream) == 0) {
        Pa_StopStream(in_->stream);
    }
}

void PortAudioWaveDevices::ResetInput() {
    if (!in_ || !in_->added) {
        return;
    }
    if (in_->started && Pa_IsStreamStopped(in_->stream) == 0) {
        Pa_AbortStream(in_->stream);
    }
    SignalDone(in_->reported, pendingInput, in_->handle);
}

std::int64_t PortAudioWaveDevices::InputPosition() {
    return in_ ? static_cast<std::int64_t>(InputBytesRecorded() /
                                           static_cast<std::size_t>(in_->blockAlign))
               : 0;
}

std::size_t PortAudioWaveDevices::InputBytesRecorded() {
    return in_ ? in_->recorded.load(std::memory_order_acquire) : 0;
}

void PortAudioWaveDevices::CloseInput() {
    if (!in_) {
        return;
    }
    CloseStream(in_->stream);
    in_.reset();
}

} // namespace wt
