// The preview of an effect or generator while its dialog is open: renders on a worker thread
// what OK would give for the values the dialog shows, and plays it in a loop through the
// output device, switching to a newer rendering where the sound is. One per editor window.
#pragma once

#include "editor/Preview.h"
#include "platform/PreviewStream.h"
#include "preview/PreviewRender.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace wt {

struct App;

class PreviewEngine final : public PreviewPort {
public:
    // How long the 試聴 button waits for the first rendering before the device starts: a
    // quick effect then starts with its first frame, and the dialog is never held longer.
    static constexpr int kButtonWaitMs = 25;

    PreviewEngine();
    // Stops the sound and waits for the worker.
    ~PreviewEngine() override;
    PreviewEngine(const PreviewEngine&) = delete;
    PreviewEngine& operator=(const PreviewEngine&) = delete;

    // PreviewPort: the dialog's side.
    bool Start(App& app, DialogHost& dlg, int templateId, std::string& error) override;
    void Changed(App& app, DialogHost& dlg, int templateId) override;
    void Stop() override;
    bool Playing() const override { return playing_; }
    std::string TakeFailure() override;

    // Starts playing `request` on app's sound: looped, or once (the done report of the output
    // device, handle OutputHandle(), then follows its end). The device starts once the first
    // rendering is there, or after `firstWaitMs` with silence until it comes. Returns false
    // with `error` when the device cannot play or the command refuses the values.
    bool Play(App& app, PreviewRequest request, bool loop, int firstWaitMs, std::string& error);
    // Renders `request` again (the values changed while it plays).
    void Change(PreviewRequest request);
    // Waits until the rendering asked for last is playing or has failed, or the preview has
    // stopped, at most `timeoutMs`. Returns false on a timeout.
    bool WaitForRendering(int timeoutMs);
    WParam OutputHandle() const { return handle_; }
    // What the rendering asked for last was made from.
    const PreviewRequest& Request() const { return request_; }
    // The generation of the rendering asked for last, and the one the device now plays.
    std::uint64_t WantedGeneration() const { return wanted_; }
    const PreviewStream* Stream() const { return stream_.get(); }

private:
    void Submit(PreviewRequest request);
    void Work();

    App* app_ = nullptr;
    PreviewRequest request_;
    bool playing_ = false;
    WParam handle_ = 0;
    std::unique_ptr<PreviewStream> stream_;

    // Shared with the worker.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable rendered_;
    std::optional<PreviewRequest> pending_;
    std::uint64_t pendingGeneration_ = 0;
    std::uint64_t offered_ = 0; // the generation last offered to the stream, or failed
    std::string failure_;
    bool quit_ = false;
    std::atomic<std::uint64_t> wanted_{0};
    // Held while a rendering copies from the editor's sound, which it may read only while
    // the preview plays: Stop takes it before the command goes on.
    std::mutex soundMutex_;
    const SoundDocument* sound_ = nullptr;
    std::thread worker_;
};

} // namespace wt
