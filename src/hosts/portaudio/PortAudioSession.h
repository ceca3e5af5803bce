// Scoped use of the PortAudio library. PortAudio counts its initialisations but its
// initialise and terminate calls are not thread-safe; every user in the editor goes through
// this guard so they are serialised.
#pragma once

namespace wt {

class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    // False when the library could not be initialised (then nothing else may be called).
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

} // namespace wt
