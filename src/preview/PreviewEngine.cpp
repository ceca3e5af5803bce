#include "preview/PreviewEngine.h"

#include "commands/devices/AudioTexts.h"
#include "editor/App.h"
#include "platform/WaveDevices.h"
#include "preview/PreviewTexts.h"

#include <chrono>
#include <new>

namespace wt {

PreviewEngine::PreviewEngine() : worker_([this] { Work(); }) {}

PreviewEngine::~PreviewEngine() {
    Stop();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

bool PreviewEngine::Start(App& app, DialogHost& dlg, int templateId, std::string& error) {
    if (app.runningCommand == 0) {
        error = kTextPreviewNoCommand;
        return false;
    }
    return Play(app, RequestFromDialog(app, dlg, templateId), true, kButtonWaitMs, error);
}

void PreviewEngine::Changed(App& app, DialogHost& dlg, int templateId) {
    if (playing_) {
        Submit(RequestFromDialog(app, dlg, templateId));
    }
}

bool PreviewEngine::Play(App& app, PreviewRequest request, bool loop, int firstWaitMs,
                         std::string& error) {
    Stop();
    WaveDevices* devices = app.host.Devices();
    const SoundFormat& f = app.doc.format;
    const WaveFormat format{f.channels, f.sampleRate, f.bitsPerSample, f.blockAlign, true};
    WParam handle = 0;
    if (!devices || devices->OpenOutput(app.audio.outputDevice, format, handle) != WaveResult::Ok) {
        error = kTextCannotOpen;
        return false;
    }
    app_ = &app;
    handle_ = handle;
    playing_ = true;
    {
        std::lock_guard lock(mutex_);
        stream_ = std::make_unique<PreviewStream>(format, loop);
        failure_.clear();
    }
    {
        std::lock_guard lock(soundMutex_);
        sound_ = &app.doc;
    }
    Submit(std::move(request));
    WaitForRendering(firstWaitMs);
    {
        std::lock_guard lock(mutex_);
        error.swap(failure_);
    }
    if (error.empty() && devices->StreamOutput(*stream_) != WaveResult::Ok) {
        error = kTextCannotOpen;
    }
    if (!error.empty()) {
        Stop();
        return false;
    }
    return true;
}

void PreviewEngine::Change(PreviewRequest request) {
    if (playing_) {
        Submit(std::move(request));
    }
}

void PreviewEngine::Stop() {
    if (!playing_) {
        return;
    }
    playing_ = false;
    if (WaveDevices* devices = app_ ? app_->host.Devices() : nullptr) {
        devices->ResetOutput();
        devices->CloseOutput();
    }
    // From here on no rendering reads the editor's sound: the command may change it.
    {
        std::lock_guard lock(soundMutex_);
        sound_ = nullptr;
        ++wanted_;
    }
    std::lock_guard lock(mutex_);
    pending_.reset();
    stream_.reset();
}

std::string PreviewEngine::TakeFailure() {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        failure.swap(failure_);
    }
    if (!failure.empty()) {
        Stop();
    }
    return failure;
}

bool PreviewEngine::WaitForRendering(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return rendered_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return !playing_ || offered_ >= wanted_.load(); });
}

void PreviewEngine::Submit(PreviewRequest request) {
    request_ = request;
    std::lock_guard lock(mutex_);
    pending_ = std::move(request);
    pendingGeneration_ = ++wanted_;
    wake_.notify_one();
}

void PreviewEngine::Work() {
    for (;;) {
        PreviewRequest request;
        std::uint64_t generation = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
            if (quit_) {
                return;
            }
            request = std::move(*pending_);
            pending_.reset();
            generation = pendingGeneration_;
        }
        const auto stale = [this, generation] { return wanted_.load() != generation; };
        PreviewResult result;
        bool ok = false;
        std::string failure;
        try {
            SoundDocument input;
            {
                std::lock_guard lock(soundMutex_);
                if (!sound_ || stale()) {
                    continue;
                }
                CopyPreviewInput(request, *sound_, stale, input);
            }
            ok = RenderPreview(request, std::move(input), stale, result);
            failure = result.error;
        } catch (const PreviewAbandoned&) {
            continue;
        } catch (const std::bad_alloc&) {
            failure = kTextPreviewNoMemory;
        }
        std::lock_guard lock(mutex_);
        if (stale()) {
            continue;
        }
        if (ok && stream_) {
            auto rendering = std::make_unique<PreviewRendering>();
            rendering->bytes = std::move(result.bytes);
            rendering->generation = generation;
            stream_->Offer(std::move(rendering));
            stream_->Collect();
        } else if (!ok) {
            failure_ = failure;
        }
        offered_ = generation;
        rendered_.notify_all();
    }
}

} // namespace wt
