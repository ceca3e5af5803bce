// The menu bars, the accelerator table and the toolbar of the main window.
#pragma once

#include "platform/Host.h"
#include "platform/Menu.h"

#include <array>
#include <cstdint>
#include <vector>

namespace wt {

// Index of the View popup in MENU_1; the zoom check marks live there.
inline constexpr int kViewPopupIndex = 4;
inline constexpr int kFilePopupIndex = 0;

Menu LoadMenu1();    // the normal menu bar
Menu LoadMenuBusy(); // one disabled popup "処理中..." while an effect runs
Menu LoadMenuDis();  // the seven titles, grayed, while playing or recording

struct Accelerator {
    char key;     // upper-case letter or digit, or 0 for the Delete key
    bool control; // Ctrl held
    int command;
};
const std::vector<Accelerator>& AcceleratorTable();

// The nine toolbar entries: separator, play, play from cursor, loop, stop, record,
// separator, zoom in, zoom out.
const std::vector<ToolbarButton>& ToolbarButtons();

// The toolbar bitmap: seven 16 x 15 images. Each image is 15 rows of 16 characters:
// '.' background, 'k' black, 'r' red, 'g' dark green, 'b' dark blue, 'w' white.
inline constexpr int kToolbarImageWidth = 16;
inline constexpr int kToolbarImageHeight = 15;
const std::array<std::array<const char*, 15>, 7>& ToolbarImages();

} // namespace wt
