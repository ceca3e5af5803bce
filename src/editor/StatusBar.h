// The four-part status bar: part 0 format or progress, part 1 byte count, part 2 cursor or
// selection times, part 3 time under the mouse.
#pragma once

#include <array>
#include <string>

namespace wt {

class Host;

class StatusBar {
public:
    explicit StatusBar(Host& host) : host_(host) {}

    // Creates the status window with parts ending at 150, 250, 500 and the window edge.
    void Create();
    bool Created() const { return created_; }
    // Lets the status window lay itself out again after the main window was resized.
    void Resize() {}
    int Height() const;
    // Sets the text of a part; a text equal to the one the part already shows is not sent
    // again (the progress display repeats its text every 200 frames).
    void SetText(int part, const std::string& utf8);
    std::string Text(int part) const;
    void Update();

private:
    Host& host_;
    bool created_ = false;
    std::array<std::string, 4> shown_; // what each part was last set to
};

} // namespace wt
