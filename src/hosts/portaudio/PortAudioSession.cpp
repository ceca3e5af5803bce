#include "hosts/portaudio/PortAudioSession.h"

#include <portaudio.h>

#include <mutex>

namespace wt {

namespace {
std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}
} // namespace

PortAudioSession::PortAudioSession() {
    const std::lock_guard<std::mutex> lock(LibraryMutex());
    ok_ = Pa_Initialize() == paNoError;
}

PortAudioSession::~PortAudioSession() {
    if (ok_) {
        const std::lock_guard<std::mutex> lock(LibraryMutex());
        Pa_Terminate();
    }
}

} // namespace wt
