// Plays short PCM WAV files (the About box's sound) on the default output device, in the
// background. A new request replaces the sound that is playing. A missing or unreadable file,
// an unsupported format or a missing device are ignored: nothing plays, nothing is reported.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace wt {

class SoundPlayer {
public:
    SoundPlayer() = default;
    // Stops what is playing and waits for the background thread.
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Hands `path` to the background thread and returns at once.
    void Play(const std::string& path);

    // Waits until no request is pending or playing; false when `timeout` passed first.
    bool WaitIdle(std::chrono::milliseconds timeout);
    // Requests taken up by the background thread so far (played or found unplayable).
    int Handled() const;

private:
    void Run();
    // Plays one file; returns early when a newer request or the shutdown arrives.
    void PlayFile(const std::string& path);
    bool Interrupted();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<std::string> pending_;
    bool quit_ = false;
    bool working_ = false;
    int handled_ = 0;
    std::thread worker_;
};

} // namespace wt
