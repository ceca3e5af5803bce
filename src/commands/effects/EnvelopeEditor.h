// The envelope editor shared by the volume, pan and pitch envelopes: an overview of the
// selection's waveform with the envelope drawn over it as a polyline with square handles. The
// user adds a point by pressing on the line, drags points, and removes an inner point by
// dragging it out of the area.
//
// Coordinates: a mouse position (px, py) in the drawing area's pixels is (u, v) =
// (px * 256 / W, 256 - py * 256 / H) in envelope units; a point (x, y) is drawn at pixel
// (W * x / 256, H - H * y / 256). W and H are the area's size in pixels.
#pragma once

#include "editor/EnvelopeParams.h"
#include "platform/Canvas.h"
#include "platform/DialogHost.h"

#include <string>

namespace wt {

struct App;

// Dialogs 400 "音量エンベロープ", 5 "パンエンベロープ" and 3 "ピッチエンベロープ": the drawing
// area, three labels beside its top, middle and bottom, OK and Cancel.
inline constexpr int kDialogVolumeEnvelope = 400;
inline constexpr int kDialogPanEnvelope = 5;
inline constexpr int kDialogPitchEnvelope = 3;
inline constexpr int kIdEnvelopeArea = 110;

// Editing distances, in envelope units: a press this close to a point (in x and in y) grabs
// it; a press nearer than kEnvelopeLineReach to the line adds a point on the line.
inline constexpr int kEnvelopeGrabReach = 5;
inline constexpr int kEnvelopeLineReach = 12;
// Handles are 7 x 7 pixels: 3 left of and above the point's pixel, 3 right of and below it.
inline constexpr int kEnvelopeHandleBefore = 3;
inline constexpr int kEnvelopeHandleAfter = 4;

inline constexpr Rgb kColourEnvelopeBackground{0, 0, 0};
inline constexpr Rgb kColourEnvelopeWave{0, 255, 0};
inline constexpr Rgb kColourEnvelopeCentre{0, 0, 255};

// The points before the end pair (at most 39; a list without an end pair counts as full).
int EnvelopePointCount(const EnvelopePoints& points);

// Reads "X:Y,X:Y,..." as the dialog would hold the points: 2 to 39 points, the first at x 0,
// the last at x 256, x increasing, y 0 to 256, whole numbers. On success `points` gets them
// and the end pair; otherwise `error` names the problem and `points` is unchanged.
bool ParseEnvelopePoints(const std::string& text, EnvelopePoints& points, std::string& error);
// The points before the end pair as "X:Y,X:Y,...".
std::string FormatEnvelopePoints(const EnvelopePoints& points);

// What EnvelopeDlgProc keeps while its dialog is open.
struct EnvelopeDialog {
    App* app = nullptr;
    EnvelopePoints* points = nullptr; // msg::InitDialog's parameter, edited in place
    int drag = -1;                    // index of the point being dragged; -1: none
    int width = 0, height = 0;        // W and H, from the area's rectangle when the dialog opens
};

// The dialog procedure. msg::InitDialog's lParam points at the EnvelopePoints to edit. Paints
// the area (black, overview, curve); a left press grabs a point or adds one on the line, a move
// drags the grabbed point, a release ends the drag. msg::SetItemValue on the area takes the
// points as ParseEnvelopePoints reads them. OK ends with 1, Cancel with 0; the points stay as
// edited either way.
LParam EnvelopeDlgProc(EnvelopeDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                       LParam lParam);

// Draws the selection's overview on an area of width x height pixels: channel 0 of every
// (128 / density)-th frame (at least every frame) as a green pixel, the selection spread from
// the left edge to the right; then the blue centre line. Applies the selection rule first.
void DrawEnvelopeWave(App& app, Canvas& canvas, int width, int height);
// Draws the polyline through the points and a 7 x 7 handle on each by inverting pixels, so a
// second identical call erases them.
void DrawEnvelopeCurve(Canvas& canvas, const EnvelopePoints& points, int width, int height);

// Runs dialog `templateId` over the waveform window with EnvelopeDlgProc on `points`. Returns
// the end code (1 OK, 0 Cancel) or -1 when the dialog could not be shown.
LParam RunEnvelopeDialog(App& app, int templateId, EnvelopePoints& points);

} // namespace wt
