// A clipboard the headless host can hand its clipboard calls to: the desktop's, when batch mode
// runs where there is one. The core never creates one; the executable injects it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wt {

class WaveClipboard {
public:
    virtual ~WaveClipboard() = default;

    // As the Host calls of the same names: the wave image as the bytes of a RIFF/WAVE file.
    virtual bool SetWave(const std::vector<std::uint8_t>& riffImage) = 0;
    virtual bool GetWave(std::vector<std::uint8_t>& riffImage) = 0;
    virtual bool HasWave() = 0;
    virtual std::string File() { return {}; }
    virtual void Empty() = 0;
    // Keeps what this process put on the clipboard available to other programs until one of
    // them replaces it or `milliseconds` have passed (a desktop clipboard whose contents live in
    // the owning process needs this before the process ends). Returns at once when this process
    // owns nothing there; true when another program took the clipboard over.
    virtual bool Hold(int milliseconds) = 0;
};

} // namespace wt
