// Window and dialog messages exchanged between a host and the core's window and dialog
// procedures. The core reacts to these exactly as a window procedure reacts to the messages
// of a classic desktop toolkit; the host (Qt, or the scripted host) produces them.
#pragma once

#include <cstdint>

namespace wt {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

namespace msg {
// Window lifecycle and input. Values are only distinct tags, not a wire format.
inline constexpr unsigned Create = 0x0001;
inline constexpr unsigned Destroy = 0x0002;
inline constexpr unsigned Size =
    0x0005; // wParam: size kind (SizeMinimized...), lParam: packed w|h<<16
inline constexpr unsigned Paint = 0x000F;
inline constexpr unsigned Close = 0x0010;
inline constexpr unsigned KeyDown = 0x0100;    // wParam: key code (vk::Home ...)
inline constexpr unsigned Char = 0x0102;       // wParam: character code
inline constexpr unsigned InitDialog = 0x0110; // lParam: creation parameter
inline constexpr unsigned Command = 0x0111;    // wParam: id | notification << 16
inline constexpr unsigned Timer = 0x0113;      // wParam: timer id
inline constexpr unsigned HScroll =
    0x0114; // wParam: code | pos << 16, lParam: control id (0: window bar)
inline constexpr unsigned VScroll = 0x0115;
inline constexpr unsigned InitMenu = 0x0116;
inline constexpr unsigned MouseMove = 0x0200; // wParam: key state, lParam: packed x|y<<16
inline constexpr unsigned LButtonDown = 0x0201;
inline constexpr unsigned LButtonUp = 0x0202;
inline constexpr unsigned LButtonDblClk = 0x0203;
// wParam: key state | wheel turn << 16 (signed, 120 a notch, positive away from the user),
// lParam: packed x|y<<16 in the window's client area.
inline constexpr unsigned MouseWheel = 0x020A;
// Key state of the mouse messages' wParam: set while the left button is held.
inline constexpr WParam MkLButton = 0x0001;
inline constexpr WParam MkControl = 0x0008;   // Ctrl held
inline constexpr unsigned DropFiles = 0x0233; // handled through MainWindow::OnDropFiles
// A value for an owner-drawn dialog item (see DialogHost.h); sent by the scripted host only.
inline constexpr unsigned SetItemValue = 0x0401;
// Device notifications posted by the wave devices.
inline constexpr unsigned WaveOutDone = 0x3BD;
inline constexpr unsigned WaveInData = 0x3C0;
} // namespace msg

// Key codes of msg::KeyDown.
namespace vk {
inline constexpr WParam Space = 0x20;
inline constexpr WParam End = 0x23;
inline constexpr WParam Home = 0x24;
} // namespace vk

// Size kinds of msg::Size.
inline constexpr WParam SizeRestored = 0;
inline constexpr WParam SizeMinimized = 1;
inline constexpr WParam SizeMaximized = 2;

// Notification codes carried in the high word of a Command's wParam.
inline constexpr unsigned NotifyMenu = 0;        // menu item or button click
inline constexpr unsigned NotifyAccelerator = 1; // accelerator key
inline constexpr unsigned NotifyClicked = 0;     // button click (same value as NotifyMenu)
inline constexpr unsigned NotifyEditChange = 0x0300;
inline constexpr unsigned NotifyListSelChange = 1;

// Scroll request codes carried in the low word of a scroll message's wParam.
namespace sb {
inline constexpr unsigned LineUp = 0;
inline constexpr unsigned LineDown = 1;
inline constexpr unsigned PageUp = 2;
inline constexpr unsigned PageDown = 3;
inline constexpr unsigned ThumbPosition = 4;
inline constexpr unsigned ThumbTrack = 5;
inline constexpr unsigned Top = 6;
inline constexpr unsigned Bottom = 7;
inline constexpr unsigned EndScroll = 8;
} // namespace sb

// Standard dialog button identifiers and message-box results.
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
// The lParam of the IdCancel command that the Esc key sends (a click on Cancel sends 0).
inline constexpr LParam kCancelFromEscape = 1;
inline constexpr int IdAbort = 3;
inline constexpr int IdRetry = 4;
inline constexpr int IdIgnore = 5;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

inline constexpr WParam MakeWParam(unsigned low, unsigned high) {
    return static_cast<WParam>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
inline constexpr LParam MakeLParam(int low, int high) {
    return static_cast<LParam>(
        static_cast<std::uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}
inline constexpr unsigned LowWord(std::uintptr_t v) {
    return static_cast<unsigned>(v & 0xFFFFu);
}
inline constexpr unsigned HighWord(std::uintptr_t v) {
    return static_cast<unsigned>((v >> 16) & 0xFFFFu);
}
// Mouse coordinates are signed 16-bit values, as a window may report positions left of or
// above its client area while the mouse is captured.
inline constexpr int PointX(LParam l) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(l & 0xFFFF));
}
inline constexpr int PointY(LParam l) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((l >> 16) & 0xFFFF));
}

} // namespace wt
