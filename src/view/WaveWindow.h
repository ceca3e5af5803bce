// The waveform window: paint, mouse selection, scrolling and zoom.
//
// Layout, in client pixels: a 32-pixel label column and a 16-pixel gap at the left, so the
// waveform area begins at x = 48; it ends 16 pixels before the right edge, begins at y = 8 and
// ends above the ruler band (the main window's character height + external leading + 10).
// Column x of the area is pixel index x - 48 of PixelToOffset / OffsetToPixel.
#pragma once

#include "platform/Canvas.h"
#include "platform/Messages.h"

#include <cstdint>
#include <string>

namespace wt {

struct App;
struct SoundDocument;

inline constexpr int kWaveAreaLeft = 48; // left margin 32 + inner offset 16
inline constexpr int kWaveAreaTop = 8;
inline constexpr int kWaveRightGap = 16;    // the area ends this far before the right edge
inline constexpr int kWaveLineColumns = 8;  // one line scroll, in pixel columns
inline constexpr int kWavePageColumns = 80; // one page scroll
inline constexpr int kZoomIndexCount = 6;

// Colours of the window. The system colours are those of a classic light desktop theme.
inline constexpr Rgb kColourButtonFace{212, 208, 200};
inline constexpr Rgb kColourButtonShadow{128, 128, 128};
inline constexpr Rgb kColourButtonHighlight{255, 255, 255};
inline constexpr Rgb kColourWaveBackground{0, 0, 0};
inline constexpr Rgb kColourSampleMark{0, 255, 0};
inline constexpr Rgb kColourZeroLine{0, 0, 255}; // zero lines and time grid
inline constexpr Rgb kColourRuler{0, 0, 0};      // ticks, axes and ruler text

// The window's geometry for its current client size and the main window's font.
struct WaveLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    int rulerBand = 0; // height of the band below the area
    Rect area;         // the waveform area; area.Height() is H
};
WaveLayout GetWaveLayout(const App& app);

// The window procedure: msg::Create, msg::Paint, msg::HScroll, msg::MouseMove,
// msg::LButtonDown, msg::LButtonUp, msg::LButtonDblClk and msg::MouseWheel (scrolls; with
// msg::MkControl zooms around the pointer, see ZoomAround). Mouse and scroll messages are
// ignored while app.busy is set.
// msg::Paint draws on `canvas`; lParam is a `const Rect*` update rectangle, or 0 for the
// whole client area. The canvas is expected to clip to the update rectangle, as a paint
// device does; the procedure draws only what the rectangle needs but may touch more.
LParam WaveWndProc(App& app, unsigned message, WParam wParam, LParam lParam, Canvas* canvas);

// Paints the window (background, area, ruler, channels, samples, selection) for `update`.
void PaintWave(App& app, Canvas& canvas, const Rect& update);

// Inverts the selection rectangle on the window at once (host.WaveCanvas()); calling it twice
// restores the picture. Does nothing when the window cannot be drawn on.
void ToggleSelection(App& app);
// Selects the whole sound; cursor and anchor stay.
void SelectAll(App& app);

// Places the cursor at byte offset `position` (clamped to the sound) with an empty selection
// there, as a click does, and scrolls the view to show it when it lies outside.
void MoveCursor(App& app, std::int64_t position);

// Turns the page for playback: when byte offset `position` (inside the sound) lies outside the
// area's columns, the view starts at its frame, so the position shows at the left edge.
void FollowPlayPosition(App& app, std::int64_t position);

// framesPerPixel := ZoomTable[index]; the View popup's check mark follows the index.
void ApplyZoom(App& app, int index);
// The zoom commands' common step: zoomIndex := index, ApplyZoom, CenterOnCursor, scroll box
// position, repaint.
void SetZoomIndex(App& app, int index);
// viewStart := cursor minus half the start-up window's waveform width, clamped to the sound.
void CenterOnCursor(App& app);

int CmdZoom1024(App& app);
int CmdZoom256(App& app);
int CmdZoom64(App& app);
int CmdZoom16(App& app);
int CmdZoom4(App& app);
int CmdZoom1(App& app);
// Zoom in (notches > 0) or out by that many levels, keeping the frame at `column` of the
// area where it is (as far as the ends of the sound allow); past the widest step a level
// zooms out four times as far, until the whole sound fits.
void ZoomAround(App& app, int notches, int column);
// Frames per pixel column: the zoom step's, or the fractional width past the widest step.
double FramesPerColumn(const App& app);
// The first frame of the sound that column `column` of the area (0 = its left edge) shows; a
// column shows the frames up to the next column's first.
std::int64_t ColumnFirstFrame(const App& app, std::int64_t column);
// The area's column (0 = its left edge) that shows byte offset `offset`.
std::int64_t ColumnOfOffset(const App& app, std::int64_t offset);
// Frames per column that show the whole sound in the area's width.
double FitFramesPerColumn(const App& app);

int CmdZoomIn(App& app);
int CmdZoomOut(App& app);
// The whole sound in the window: the closest zoom step that shows it all, or past the widest
// step exactly the sound's frames over the area's columns; the view starts at the start.
// The view stays fitted (KeepFitted) until another zoom or a scroll moves it.
int CmdZoomFit(App& app);
// Fits a fitted view again when the sound's length or the area's width changed since it was
// fitted; does nothing otherwise or while a command other than playback runs. Called after every
// command, window message and device report.
void KeepFitted(App& app);

} // namespace wt
