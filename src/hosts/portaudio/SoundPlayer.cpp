#include "hosts/portaudio/SoundPlayer.h"

#include "hosts/portaudio/PortAudioSession.h"
#include "hosts/portaudio/WavClip.h"

#include <portaudio.h>

#include <algorithm>

namespace wt {

namespace {

PaSampleFormat SampleFormatOf(int bitsPerSample) {
    switch (bitsPerSample) {
    case 8:
        return paUInt8;
    case 16:
        return paInt16;
    case 24:
        return paInt24;
    default:
        return paInt32;
    }
}

constexpr unsigned long kFramesPerWrite = 1024;

} // namespace

SoundPlayer::~SoundPlayer() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void SoundPlayer::Play(const std::string& path) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (quit_) {
            return;
        }
        pending_ = path;
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { Run(); });
        }
    }
    wake_.notify_all();
}

bool SoundPlayer::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return !pending_ && !working_; });
}

int SoundPlayer::Handled() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return handled_;
}

bool SoundPlayer::Interrupted() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return quit_ || pending_.has_value();
}

void SoundPlayer::Run() {
    for (;;) {
        std::string path;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
            if (quit_) {
                working_ = false;
                idle_.notify_all();
                return;
            }
            path = std::move(*pending_);
            pending_.reset();
            working_ = true;
        }
        PlayFile(path);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            working_ = false;
            ++handled_;
        }
        idle_.notify_all();
    }
}

void SoundPlayer::PlayFile(const std::string& path) {
    const std::optional<WavClip> clip = LoadWavClip(path);
    if (!clip || clip->Frames() == 0) {
        return;
    }
    const PortAudioSession session;
    if (!session.Ok() || Pa_GetDefaultOutputDevice() == paNoDevice) {
        return;
    }
    PaStream* stream = nullptr;
    if (Pa_OpenDefaultStream(&stream, 0, clip->channels, SampleFormatOf(clip->bitsPerSample),
                             clip->sampleRate, paFramesPerBufferUnspecified, nullptr,
                             nullptr) != paNoError) {
        return;
    }
    if (Pa_StartStream(stream) == paNoError) {
        const std::size_t frames = clip->Frames();
        std::size_t done = 0;
        bool interrupted = false;
        while (done < frames) {
            if (Interrupted()) {
                interrupted = true;
                break;
            }
            const auto count = std::min<std::size_t>(kFramesPerWrite, frames - done);
            const PaError err =
                Pa_WriteStream(stream, clip->samples.data() + done * clip->blockAlign,
                               static_cast<unsigned long>(count));
            if (err != paNoError && err != paOutputUnderflowed) {
                interrupted = true;
                break;
            }
            done += count;
        }
        if (interrupted) {
            Pa_AbortStream(stream);
        } else {
            Pa_StopStream(stream);
        }
    }
    Pa_CloseStream(stream);
}

} // namespace wt
