// The envelope editor on the scripted host: editing with the mouse, drawing, and the points
// given as text.
#include "TestApp.h"

#include "commands/effects/EnvelopeEditor.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "platform/RasterCanvas.h"
#include "resources/Dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wt;

namespace {

// The drawing area of 190 x 74 dialog units on the scripted host: 285 x 111 pixels.
constexpr int W = 285, H = 111;

// Points from "X:Y,..." as a test writes them (the parser has tests of its own below).
EnvelopePoints Points(const std::string& text) {
    EnvelopePoints points{};
    std::string error;
    EXPECT_TRUE(ParseEnvelopePoints(text, points, error)) << text << ": " << error;
    return points;
}

// Dialog 400 open on `points`, as the volume envelope command opens it.
struct OpenDialog {
    test::TestApp t;
    EnvelopePoints points;
    EnvelopeDialog state;
    ScriptedDialog dialog;

    explicit OpenDialog(const std::string& initial)
        : points(Points(initial)), dialog(*FindDialogTemplate(kDialogVolumeEnvelope),
                                          [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                                              return EnvelopeDlgProc(state, d, m, w, l);
                                          }) {
        state.app = &t.app;
        t.SetSound(16, 1, 600, [](int f, int) { return (f % 50) * 600 - 15000; });
        EXPECT_TRUE(dialog.Initialize(reinterpret_cast<LParam>(&points)));
    }
    const std::vector<std::uint8_t>& Picture() {
        return dialog.ItemPicture(kIdEnvelopeArea)->Bytes();
    }
};

struct Action {
    unsigned message;
    int x, y; // pixels of the area
};
constexpr unsigned Down = msg::LButtonDown, Move = msg::MouseMove, Up = msg::LButtonUp;

struct EditCase {
    const char* name;
    std::string initial;
    std::vector<Action> actions;
    std::string expected;
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << c.name;
}

// 39 points at x = 0, 6, ..., 222 and 256, all at y 128: the array is full.
std::string FullList() {
    std::string text;
    for (int k = 0; k < 38; ++k) {
        text += std::to_string(6 * k) + ":128,";
    }
    return text + "256:128";
}

class EnvelopeEditing : public ::testing::TestWithParam<EditCase> {};

// Pixels become units by u = px * 256 / 285 and v = 256 - py * 256 / 111 (truncated toward
// zero); the positions below were worked out with these.
TEST_P(EnvelopeEditing, FollowsTheMouseAndKeepsThePictureTrue) {
    const EditCase& c = GetParam();
    OpenDialog d(c.initial);
    ASSERT_EQ(d.dialog.ItemRect(kIdEnvelopeArea).Width(), W);
    ASSERT_EQ(d.dialog.ItemRect(kIdEnvelopeArea).Height(), H);
    for (const Action& a : c.actions) {
        std::string error;
        ASSERT_TRUE(d.dialog.Mouse(kIdEnvelopeArea, a.message, a.x, a.y, error)) << error;
    }
    EXPECT_EQ(FormatEnvelopePoints(d.points), c.expected);
    const int count = EnvelopePointCount(d.points);
    EXPECT_EQ(d.points[static_cast<std::size_t>(count)],
              (EnvelopePoint{kEnvelopeEndMark, kEnvelopeEndMark}));

    // The curve was erased and drawn again around every change: the picture is the one a
    // fresh paint gives.
    const std::vector<std::uint8_t> edited = d.Picture();
    d.dialog.InvalidateItem(kIdEnvelopeArea);
    EXPECT_TRUE(edited == d.Picture());
}

// clang-format off
const EditCase kEditCases[] = {
    // (142, 51) is (127, 139): 11 above the line, so a point is added on the line at 128.
    {"PressNearTheLineAddsAPointOnIt", "0:128,256:128", {{Down, 142, 51}, {Up, 142, 51}}, "0:128,127:128,256:128"},
    // (142, 61) is (127, 116): 12 below the line adds nothing.
    {"PressTwelveAwayAddsNothing", "0:128,256:128", {{Down, 142, 61}, {Move, 100, 20}, {Up, 100, 20}}, "0:128,256:128"},
    // (149, 58) is (133, 123): 5 off the point in both directions grabs it; (200, 30) is
    // (179, 187).
    {"PressWithinFiveGrabsThePoint", "0:128,128:128,256:128", {{Down, 149, 58}, {Move, 200, 30}, {Up, 200, 30}}, "0:128,179:187,256:128"},
    // (150, 58) is (134, 123): 6 off in x, so the press adds a point on the line instead.
    {"PressSixAwayAddsInstead", "0:128,128:128,256:128", {{Down, 150, 58}, {Move, 200, 30}, {Up, 200, 30}}, "0:128,128:128,179:187,256:128"},
    // (149, -1) is v 258 and (149, 112) is v -2: out of the area, the point is removed and a
    // later move drags nothing.
    {"InnerPointDraggedAboveIsRemoved", "0:128,128:128,256:128", {{Down, 149, 58}, {Move, 149, -1}, {Move, 200, 30}, {Up, 200, 30}}, "0:128,256:128"},
    {"InnerPointDraggedBelowIsRemoved", "0:128,128:128,256:128", {{Down, 149, 58}, {Move, 149, 112}, {Up, 149, 112}}, "0:128,256:128"},
    // Row 111 is just below the area but gives v 0, which is inside: the point stays.
    {"BottomRowIsInside", "0:128,128:128,256:128", {{Down, 149, 58}, {Move, 149, 111}, {Up, 149, 111}}, "0:128,133:0,256:128"},
    // End points keep their x and take y clamped to 0..256: (100, -20) is (89, 302) and
    // (10, 200) is (8, -205); (284, 56) is (255, 127).
    {"EndPointsOnlyMoveUpAndDown", "0:128,256:128", {{Down, 0, 55}, {Move, 100, -20}, {Up, 100, -20}, {Down, 284, 56}, {Move, 10, 200}, {Up, 10, 200}}, "0:256,256:0"},
    // (112, 56) is (100, 127); (260, 56) is x 233, past the next point at 200; (0, 56) is x 0,
    // at the point before.
    {"InnerPointStopsBeforeTheNext", "0:128,100:128,200:128,256:128", {{Down, 112, 56}, {Move, 260, 56}, {Up, 260, 56}}, "0:128,199:127,200:128,256:128"},
    {"InnerPointStopsAfterThePrevious", "0:128,100:128,200:128,256:128", {{Down, 112, 56}, {Move, 0, 56}, {Up, 0, 56}}, "0:128,1:127,200:128,256:128"},
    // Removing a point and adding one keeps the count; the end pair moves with them.
    {"RemoveThenAddKeepsTheCount", "0:128,128:128,256:128", {{Down, 149, 58}, {Move, 149, -1}, {Up, 149, -1}, {Down, 142, 51}, {Up, 142, 51}}, "0:128,127:128,256:128"},
    // A full list: (268, 56) is (240, 127), on the line between 222 and 256, far from both.
    {"FullListAddsNothing", FullList(), {{Down, 268, 56}, {Move, 268, 20}, {Up, 268, 20}}, FullList()},
    // A release ends the drag: a later move changes nothing.
    {"ReleaseEndsTheDrag", "0:128,128:128,256:128", {{Down, 149, 58}, {Up, 149, 58}, {Move, 200, 30}}, "0:128,128:128,256:128"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, EnvelopeEditing, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EnvelopeDialog, EndsWithOkOrCancelAndKeepsTheEditsEitherWay) {
    for (const int button : {IdOk, IdCancel}) {
        OpenDialog d("0:128,256:128");
        std::string error;
        ASSERT_TRUE(d.dialog.Mouse(kIdEnvelopeArea, Down, 142, 51, error));
        d.dialog.Press(button);
        ASSERT_TRUE(d.dialog.Ended());
        EXPECT_EQ(d.dialog.Result(), button == IdOk ? 1 : 0);
        EXPECT_EQ(FormatEnvelopePoints(d.points), "0:128,127:128,256:128");
    }
}

// Pixel (x, y) of a point is (285 * x / 256, 111 - 111 * y / 256).
TEST(EnvelopeCurve, InvertsHandlesAndLinesAndErasesItselfWhenDrawnTwice) {
    RasterCanvas canvas(W, H, {0, 0, 0});
    const EnvelopePoints flat = Points("0:128,256:128");
    DrawEnvelopeCurve(canvas, flat, W, H);
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    // The line lies on row 111 - 55 = 56; the handles span rows 53..59, the left one columns
    // 0..3 (its left edge kept at 0), the right one 282..284 (its right edge kept at 285).
    // Where handle and line meet, the pixels are inverted twice.
    struct Probe {
        int x, y;
        Rgb colour;
    };
    const Probe probes[] = {{0, 53, white},   {3, 59, white},   {4, 53, black},   {0, 52, black},
                            {0, 60, black},   {2, 56, black},   {100, 56, white}, {282, 53, white},
                            {281, 53, black}, {284, 59, white}, {283, 56, black}};
    for (const Probe& p : probes) {
        EXPECT_EQ(canvas.Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }

    // Any curve drawn twice leaves the picture as it was, overview and all.
    test::TestApp t;
    t.SetSound(16, 2, 3000, [](int f, int c) { return (f * 37 % 200 - 100) * (c ? 300 : 150); });
    RasterCanvas picture(W, H, {0, 0, 0});
    DrawEnvelopeWave(t.app, picture, W, H);
    const std::vector<std::uint8_t> before = picture.Bytes();
    const EnvelopePoints curve = Points("0:0,3:256,100:40,101:250,200:130,256:256");
    DrawEnvelopeCurve(picture, curve, W, H);
    EXPECT_FALSE(before == picture.Bytes());
    DrawEnvelopeCurve(picture, curve, W, H);
    EXPECT_TRUE(before == picture.Bytes());
}

// Green pixels of a picture.
int GreenPixels(const RasterCanvas& canvas) {
    int n = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            n += canvas.Pixel(x, y) == kColourEnvelopeWave;
        }
    }
    return n;
}

// With h2 = 111 / 2 = 55, a sample s is drawn on row 55 - s * 55 / 32767: 16383 on row 28,
// -16383 on row 82, -32767 on row 110. The centre line is row 55.
TEST(EnvelopeOverview, SpreadsTheSelectionAcrossTheArea) {
    test::TestApp t;
    // 1000 frames; frames 300..699 are the selection at 16383, the rest at -32767.
    t.SetSound(16, 1, 1000, [](int f, int) { return f >= 300 && f < 700 ? 16383 : -32767; });
    t.app.doc.selStart = 300 * 2;
    t.app.doc.selEnd = 700 * 2;
    t.app.settings.density = 128; // every frame
    RasterCanvas canvas(W, H, {0, 0, 0});
    DrawEnvelopeWave(t.app, canvas, W, H);
    // 400 frames at x = 285 * k / 400 reach every column, and nothing outside the selection.
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 28), kColourEnvelopeWave) << x;
        EXPECT_EQ(canvas.Pixel(x, 110), (Rgb{0, 0, 0})) << x;
        EXPECT_EQ(canvas.Pixel(x, 55), kColourEnvelopeCentre) << x;
    }
    EXPECT_EQ(GreenPixels(canvas), W);
}

TEST(EnvelopeOverview, SelectionLongerThanEightMegabytesStaysInTheArea) {
    test::TestApp t;
    // 2,200,000 stereo frames (8.8 MB): channel 0 at 16383 in the first half, -16383 after.
    constexpr int kFrames = 2200000;
    t.SetSound(16, 2, kFrames, [](int f, int c) {
        return c ? 0 : f < kFrames / 2 ? 16383 : -16383;
    });
    RasterCanvas canvas(W, H, {0, 0, 0});
    DrawEnvelopeWave(t.app, canvas, W, H); // nothing selected: the whole sound
    EXPECT_EQ(t.app.doc.selEnd, t.app.doc.byteLength);
    // The half-way frame lands on column 285 * 4400000 / 8800000 = 142.
    for (int x = 0; x < W; ++x) {
        if (x != 142) {
            EXPECT_EQ(canvas.Pixel(x, 28) == kColourEnvelopeWave, x < 142) << x;
            EXPECT_EQ(canvas.Pixel(x, 82) == kColourEnvelopeWave, x > 142) << x;
        }
    }
}

TEST(EnvelopeOverview, StepIsAtLeastOneFrameWhateverTheDensity) {
    // 256 frames, all on row 28; frames drawn = ceil(256 / step), step = 128 / density with
    // the density kept to 1..128, each on a column of its own (285 / 256 > 1).
    struct Case {
        int density;
        int drawn;
    };
    for (const Case c :
         {Case{8, 16}, Case{128, 256}, Case{1, 2}, Case{0, 2}, Case{-5, 2}, Case{1000, 256}}) {
        test::TestApp t;
        t.SetSound(16, 1, 256, [](int, int) { return 16383; });
        t.app.settings.density = c.density;
        RasterCanvas canvas(W, H, {0, 0, 0});
        DrawEnvelopeWave(t.app, canvas, W, H);
        EXPECT_EQ(GreenPixels(canvas), c.drawn) << "density " << c.density;
    }
}

TEST(EnvelopePoints, AreReadAsTheDialogHoldsThemOrRefusedWithTheReason) {
    struct Case {
        std::string text;
        const char* error; // nullptr: accepted
    };
    std::string forty = FullList();
    forty.insert(forty.rfind(',') + 1, "240:0,");
    const Case cases[] = {
        {"0:128,256:128", nullptr},
        {"0:0,3:256,100:40,256:256", nullptr},
        {FullList(), nullptr},
        {forty, "at most 39 points"},
        {"0:128", "at least 2 points"},
        {"5:128,256:1", "first point is at x 5"},
        {"0:1,255:1", "last point is at x 255"},
        {"0:1,100:1,100:2,256:1", "point 3: x 100 is not greater than the x before it (100)"},
        {"0:1,200:1,100:2,256:1", "point 3: x 100 is not greater"},
        {"0:1,256:257", "point 2: y 257 is not 0 to 256"},
        {"0:-1,256:1", "point 1: y -1 is not 0 to 256"},
        {"0:1,a:b,256:1", "point 2 \"a:b\" is not X:Y"},
        {"0:1,256", "point 2 \"256\" is not X:Y"},
        {"0:1,256:1,", "point 3 \"\" is not X:Y"},
        {"", "point 1 \"\" is not X:Y"},
        {"0:1,99999999999:1", "is not X:Y"},
    };
    for (const Case& c : cases) {
        EnvelopePoints points = InitialEnvelope();
        std::string error;
        const bool ok = ParseEnvelopePoints(c.text, points, error);
        EXPECT_EQ(ok, c.error == nullptr) << c.text << ": " << error;
        if (ok) {
            EXPECT_EQ(FormatEnvelopePoints(points), c.text);
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
            EXPECT_EQ(points, InitialEnvelope()) << "a refused list changes nothing";
        }
    }
}

} // namespace
