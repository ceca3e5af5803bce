// Mouse selection, the scroll bar and the zoom commands of the waveform window.
#include "ViewTestSupport.h"

#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "editor/Menus.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace wt::test {
namespace {

LParam At(int x, int y = 50) {
    return MakeLParam(x, y);
}

// 16-bit stereo at 44100 Hz (4 bytes per frame), one frame per column: column x of the
// window is frame x - 48 of the view.
class ViewMouse : public ::testing::Test {
protected:
    void SetUp() override {
        e.LoadSound(2, 16, 44100, 1000, [](int f, int ch) { return (f * 97 % 4000) * (ch + 1); });
        e.SetZoom(5);
    }
    std::string Status(int part) const { return e.host.StatusText(part); }
    ViewEditor e;
};

TEST_F(ViewMouse, PressBeyondTheEndPutsEverythingAtTheEnd) {
    e.Send(msg::LButtonDown, msg::MkLButton, At(48 + 5000));
    const SoundDocument& doc = e.app.doc;
    EXPECT_EQ(doc.cursor, 4000);
    EXPECT_EQ(doc.anchor, 4000);
    EXPECT_EQ(doc.selStart, 4000);
    EXPECT_EQ(doc.selEnd, 4000);
    EXPECT_TRUE(e.app.view.dragging);
}

TEST_F(ViewMouse, PressLeftOfTheAreaIsTheViewStart) {
    e.app.doc.viewStart = 40;
    e.Send(msg::LButtonDown, msg::MkLButton, At(10));
    EXPECT_EQ(e.app.doc.cursor, 40);
}

TEST_F(ViewMouse, DragRightToLeftSelectsFromReleaseToPress) {
    e.Send(msg::LButtonDown, msg::MkLButton, At(300));
    e.Send(msg::MouseMove, msg::MkLButton, At(250));
    EXPECT_EQ(Status(2), "Sel :0.004-0.005(Sec)"); // frames 202..252 at 44100 Hz
    e.Send(msg::MouseMove, msg::MkLButton, At(200));
    e.Send(msg::LButtonUp, 0, At(150));
    const SoundDocument& doc = e.app.doc;
    EXPECT_EQ(doc.selStart, (150 - 48) * 4);
    EXPECT_EQ(doc.selEnd, (300 - 48) * 4);
    EXPECT_EQ(doc.cursor, (150 - 48) * 4);
    EXPECT_EQ(doc.anchor, (300 - 48) * 4);
    EXPECT_FALSE(e.app.view.dragging);
    // A move without the button no longer extends the selection.
    e.Send(msg::MouseMove, 0, At(400));
    EXPECT_EQ(doc.selStart, (150 - 48) * 4);
    EXPECT_EQ(doc.selEnd, (300 - 48) * 4);
}

TEST_F(ViewMouse, DragPastTheEndStopsAtTheEnd) {
    e.SetZoom(3); // 16 frames per column: the sound ends at column 62
    e.Send(msg::LButtonDown, msg::MkLButton, At(50));
    e.Send(msg::MouseMove, msg::MkLButton, At(380));
    EXPECT_EQ(e.app.doc.selStart, 2 * 16 * 4);
    EXPECT_EQ(e.app.doc.selEnd, 4000);
    EXPECT_EQ(Status(3), "0.022(Sec)"); // 1000 frames at 44100 Hz
}

TEST_F(ViewMouse, StatusShowsCursorOrSelection) {
    e.app.doc.viewStart = 400; // frame 100
    e.Send(msg::MouseMove, 0, At(48 + 341));
    // Frame 441 is 10 ms; nothing selected yet.
    EXPECT_EQ(Status(3), "0.010(Sec)");
    EXPECT_EQ(Status(2), "Cur :0.000(Sec)");
    e.Send(msg::LButtonDown, msg::MkLButton, At(48 + 341));
    e.Send(msg::LButtonUp, 0, At(48 + 341));
    EXPECT_EQ(Status(2), "Cur :0.010(Sec)");
    e.Send(msg::LButtonDown, msg::MkLButton, At(48));
    e.Send(msg::MouseMove, msg::MkLButton, At(48 + 782));
    EXPECT_EQ(Status(2), "Sel :0.002-0.020(Sec)"); // frames 100 and 882
}

TEST_F(ViewMouse, DoubleClickSelectsAllAndKeepsTheCursor) {
    e.Send(msg::LButtonDown, msg::MkLButton, At(100));
    e.Send(msg::LButtonUp, 0, At(100));
    e.Send(msg::LButtonDblClk, msg::MkLButton, At(100));
    e.Send(msg::LButtonUp, 0, At(100));
    EXPECT_EQ(e.app.doc.selStart, 0);
    EXPECT_EQ(e.app.doc.selEnd, 4000);
    EXPECT_EQ(e.app.doc.cursor, 52 * 4);
    EXPECT_EQ(Status(2), "Sel :0.000-0.022(Sec)");
    // The menu command does the same.
    e.app.doc.selStart = e.app.doc.selEnd = 0;
    EXPECT_EQ(DispatchCommand(e.app, IDM_SELECT_ALL), 1);
    EXPECT_EQ(e.app.doc.selEnd, 4000);
}

TEST_F(ViewMouse, IgnoredWhileBusy) {
    e.app.busy = true;
    e.Send(msg::LButtonDown, msg::MkLButton, At(300));
    e.Send(msg::MouseMove, msg::MkLButton, At(200));
    e.Send(msg::LButtonDblClk, msg::MkLButton, At(200));
    e.Send(msg::HScroll, MakeWParam(sb::LineDown, 0), 0);
    EXPECT_EQ(e.app.doc.cursor, 0);
    EXPECT_EQ(e.app.doc.selEnd, 0);
    EXPECT_EQ(e.app.doc.viewStart, 0);
    EXPECT_FALSE(e.app.view.dragging);
    EXPECT_EQ(Status(3), "");
}

// Every selection change inverts the old rectangle away and the new one in, so after any
// sequence the screen equals a fresh paint.
TEST_F(ViewMouse, ScreenMatchesAFreshPaintAfterDragging) {
    RasterCanvas& screen = e.ShowOnScreen();
    e.Send(msg::LButtonDown, msg::MkLButton, At(300));
    e.Send(msg::MouseMove, msg::MkLButton, At(320));
    e.Send(msg::MouseMove, msg::MkLButton, At(100));
    e.Send(msg::MouseMove, msg::MkLButton, At(20));
    e.Send(msg::LButtonUp, 0, At(140));
    const auto fresh = e.Paint();
    EXPECT_EQ(CountDifferences(screen, *fresh, {0, 0, 400, 226}), 0);
    // The selection 140..300 is shown: inverted columns inside it, not outside.
    EXPECT_NE(screen.Pixel(200, 20), Rgb{});
    EXPECT_EQ(screen.Pixel(310, 20), Rgb{});
    e.Send(msg::LButtonDblClk, msg::MkLButton, At(140));
    EXPECT_EQ(CountDifferences(screen, *e.Paint(), {0, 0, 400, 226}), 0);
}

// Times of long sounds: offset * 1000 passes 2^31 beyond 2 MB.
TEST(ViewTime, FormatSecondsDoesNotOverflow) {
    SoundDocument doc;
    doc.format = {1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(FormatSeconds(doc, 0), "0.000");
    EXPECT_EQ(FormatSeconds(doc, 176396), "0.999");
    EXPECT_EQ(FormatSeconds(doc, 3000000), "17.006");
    EXPECT_EQ(FormatSeconds(doc, 4 * 44100 * 3600), "3600.000");
    EXPECT_EQ(FormatSeconds(doc, 2147483644), "12173.943");
    doc.format.sampleRate = 0; // a broken header must not divide by zero
    EXPECT_EQ(FormatSeconds(doc, 1000), "0.000");
}

TEST(ViewTime, MouseTimeBeyondTwoMegabytes) {
    ViewEditor e;
    e.LoadSound(2, 16, 44100, 1000000, nullptr); // 4 MB
    e.app.doc.viewStart = 3000000;
    e.Send(msg::MouseMove, 0, At(48));
    EXPECT_EQ(e.host.StatusText(3), "17.006(Sec)");
    e.Send(msg::LButtonDown, msg::MkLButton, At(48 + 100));
    e.Send(msg::LButtonUp, 0, At(48 + 100));
    EXPECT_EQ(e.app.doc.cursor, 3000000 + 100 * 256 * 4);
    EXPECT_EQ(e.host.StatusText(2), "Cur :17.587(Sec)");
}

// --- Scroll bar -------------------------------------------------------------------------

// 8-bit mono, 100000 frames, 1/256: a column is 256 bytes, 8 columns 2048, 80 columns 20480.
class ViewScroll : public ::testing::Test {
protected:
    void SetUp() override { e.LoadSound(1, 8, 22050, 100000, nullptr); }
    void Scroll(unsigned code, int pos = 0) { e.Send(msg::HScroll, MakeWParam(code, pos), 0); }
    ViewEditor e;
};

// {start, code, new viewStart, picture shift (pixels, + right), scroll box}
using LineCase = std::tuple<int, unsigned, int, int, int>;
class ViewScrollLines : public ViewScroll, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ViewScrollLines, MovesAndShifts) {
    const auto [start, code, view, shift, box] = GetParam();
    e.app.doc.viewStart = start;
    e.host.waveScrollPos = 77;
    const int invalidations = e.host.waveInvalidations;
    Scroll(code);
    EXPECT_EQ(e.app.doc.viewStart, view);
    EXPECT_EQ(e.host.scrolledBy, shift);
    EXPECT_EQ(e.host.waveScrollPos, box);
    if (shift != 0) {
        EXPECT_EQ(e.host.scrollArea, (Rect{48, 8, 384, 226}));
    }
    EXPECT_EQ(e.host.waveInvalidations, invalidations); // shifted, not repainted
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ViewScrollLines,
    ::testing::Values(
        LineCase{0, sb::LineDown, 2048, -8, 2}, LineCase{4096, sb::LineUp, 2048, 8, 2},
        LineCase{1024, sb::LineUp, 0, 4, 0}, // only four columns to go
        LineCase{0, sb::LineUp, 0, 0, 0}, LineCase{0, sb::PageDown, 20480, -80, 20},
        LineCase{40960, sb::PageUp, 20480, 80, 20},
        // Line right that would reach or pass the end stays.
        LineCase{97952, sb::LineDown, 97952, 0, 97}, LineCase{97953, sb::LineDown, 97953, 0, 97},
        LineCase{97951, sb::LineDown, 99999, -8, 99}, LineCase{90000, sb::PageDown, 90000, 0, 90},
        // Requests with no action.
        LineCase{2048, sb::EndScroll, 2048, 0, 77}, LineCase{2048, sb::Top, 2048, 0, 77}));

TEST_F(ViewScroll, PartColumnMovesRepaint) {
    e.app.doc.viewStart = 100; // not on a column boundary
    const int invalidations = e.host.waveInvalidations;
    Scroll(sb::LineUp);
    EXPECT_EQ(e.app.doc.viewStart, 0);
    EXPECT_EQ(e.host.waveInvalidations, invalidations + 1);
}

TEST_F(ViewScroll, ThumbPositionRoundsToWholeFrames) {
    e.LoadSound(2, 16, 44100, 1001, nullptr); // 4004 bytes
    const int invalidations = e.host.waveInvalidations;
    Scroll(sb::ThumbPosition, 33);
    // 0.33 * 4004 = 1321.32 -> 1321 -> 1320 (a multiple of 4); the box: 132000 / 4004 = 32.
    EXPECT_EQ(e.app.doc.viewStart, 1320);
    EXPECT_EQ(e.host.waveScrollPos, 32);
    EXPECT_EQ(e.host.waveInvalidations, invalidations + 1);
    Scroll(sb::ThumbPosition, 100);
    EXPECT_EQ(e.app.doc.viewStart, 4004);
    EXPECT_EQ(e.host.waveScrollPos, 100);
    Scroll(sb::ThumbPosition, 0);
    EXPECT_EQ(e.app.doc.viewStart, 0);
}

TEST_F(ViewScroll, ThumbTrackFollowsOnlyWithTracking) {
    e.app.settings.trackMode = 0;
    Scroll(sb::ThumbTrack, 50);
    EXPECT_EQ(e.app.doc.viewStart, 0);
    Scroll(sb::ThumbPosition, 50);
    EXPECT_EQ(e.app.doc.viewStart, 50000);
    e.app.settings.trackMode = 1;
    Scroll(sb::ThumbTrack, 20);
    EXPECT_EQ(e.app.doc.viewStart, 20000);
    EXPECT_EQ(e.host.waveScrollPos, 20);
}

TEST_F(ViewScroll, EmptySoundStaysAtTheStart) {
    e.LoadSound(1, 8, 22050, 0, nullptr);
    e.host.waveScrollPos = 0;
    const int invalidations = e.host.waveInvalidations;
    for (unsigned code : {sb::LineDown, sb::PageDown, sb::LineUp, sb::ThumbPosition}) {
        Scroll(code, 50);
        EXPECT_EQ(e.app.doc.viewStart, 0) << code;
    }
    EXPECT_EQ(e.host.scrolledBy, 0);
    EXPECT_EQ(e.host.waveInvalidations, invalidations);
}

TEST_F(ViewScroll, CreateSetsThePercentRange) {
    e.host.waveScrollHigh = 7;
    e.Send(msg::Create, 0, 0);
    EXPECT_EQ(e.host.waveScrollLow, 0);
    EXPECT_EQ(e.host.waveScrollHigh, 100);
}

// --- Zoom -------------------------------------------------------------------------------

TEST_F(ViewScroll, ZoomCommandsSetIndexAndCheckMark) {
    const int commands[] = {IDM_ZOOM_1_1024, IDM_ZOOM_1_256, IDM_ZOOM_1_64,
                            IDM_ZOOM_1_16,   IDM_ZOOM_1_4,   IDM_ZOOM_1_1};
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(DispatchCommand(e.app, commands[index]), 1);
        EXPECT_EQ(e.app.doc.zoomIndex, index);
        EXPECT_EQ(e.app.doc.framesPerPixel, ZoomTable[static_cast<std::size_t>(index)]);
        for (int other = 0; other < 6; ++other) {
            const MenuItem* item = FindMenuItem(e.app.menus.normal, commands[other]);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->checked, other == index) << index << " " << other;
        }
    }
}

TEST_F(ViewScroll, ZoomLimitsOnlyRepaint) {
    for (auto [start, command] : {std::pair{0, IDM_ZOOM_OUT}, std::pair{5, IDM_ZOOM_IN}}) {
        e.SetZoom(start);
        e.app.doc.cursor = 50000;
        e.app.doc.viewStart = 1234;
        e.host.waveScrollPos = 9;
        const int invalidations = e.host.waveInvalidations;
        EXPECT_EQ(DispatchCommand(e.app, command), 1);
        EXPECT_EQ(e.app.doc.zoomIndex, start);
        EXPECT_EQ(e.app.doc.viewStart, 1234);
        EXPECT_EQ(e.host.waveScrollPos, 9);
        EXPECT_EQ(e.host.waveInvalidations, invalidations + 1);
    }
    e.SetZoom(2);
    DispatchCommand(e.app, IDM_ZOOM_IN);
    EXPECT_EQ(e.app.doc.zoomIndex, 3);
    DispatchCommand(e.app, IDM_ZOOM_OUT);
    DispatchCommand(e.app, IDM_ZOOM_OUT);
    EXPECT_EQ(e.app.doc.zoomIndex, 1);
}

TEST_F(ViewScroll, ZoomCentresOnTheStartUpWidth) {
    e.app.settings.startWidth = 480; // half of 480 - 64 is 208 columns
    e.host.outerWidth = 1200;        // the window was made wider since
    e.SetClientSize(1180, 226);
    e.app.doc.cursor = 80000;
    DispatchCommand(e.app, IDM_ZOOM_1_64);
    EXPECT_EQ(e.app.doc.viewStart, 80000 - 208 * 64);
    EXPECT_EQ(e.host.waveScrollPos, 66);     // 66688 * 100 / 100000
    DispatchCommand(e.app, IDM_ZOOM_1_1024); // would start before the sound
    EXPECT_EQ(e.app.doc.viewStart, 0);
    EXPECT_EQ(e.host.waveScrollPos, 0);
    e.app.settings.startWidth = 65; // an odd half: (65 - 64) / 2 = 0 columns
    DispatchCommand(e.app, IDM_ZOOM_1_1);
    EXPECT_EQ(e.app.doc.viewStart, 80000);
}

TEST_F(ViewScroll, ZoomCentringStaysInsideTheSound) {
    e.app.settings.startWidth = -2000; // a hand-edited settings file
    e.app.doc.cursor = 99000;
    DispatchCommand(e.app, IDM_ZOOM_1_1024);
    EXPECT_EQ(e.app.doc.viewStart, 100000);
}

// A view fitted by 全体表示 is fitted again when the window's width or the sound's length
// changes, and a view zoomed or scrolled since is left as it is: after each event the frames
// per column and the view's start are those a fresh 全体表示 gives, or those from before.
TEST_F(ViewScroll, FitStaysFittedUntilZoomedOrScrolled) {
    const auto resize = [](int outerWidth) {
        return [outerWidth](ViewEditor& v) {
            v.host.outerWidth = outerWidth;
            MainWndProc(v.app, msg::Size, 0, 0);
        };
    };
    const auto select = [](ViewEditor& v, int fromFrame, int toFrame) {
        v.app.doc.selStart = fromFrame * v.app.doc.format.blockAlign;
        v.app.doc.selEnd = toFrame * v.app.doc.format.blockAlign;
        v.app.doc.cursor = v.app.doc.selEnd;
    };
    const auto command = [](int id) {
        return [id](ViewEditor& v) { ASSERT_EQ(DispatchCommand(v.app, id), 1); };
    };
    const auto none = [](ViewEditor&) {};
    const struct {
        const char* name;
        std::function<void(ViewEditor&)> before; // before the view is zoomed
        int zoom;                                // the zoom command
        bool scroll;                             // a wheel notch after the zoom
        std::function<void(ViewEditor&)> event;
        bool refitted;
    } cases[] = {
        {"resize wider", none, IDM_ZOOM_FIT, false, resize(900), true},
        {"resize narrower", none, IDM_ZOOM_FIT, false, resize(300), true},
        {"cut half", none, IDM_ZOOM_FIT, false,
         [&](ViewEditor& v) {
             select(v, 0, 500000);
             ASSERT_EQ(DispatchCommand(v.app, IDM_CUT), 1);
         },
         true},
        {"undo",
         [&](ViewEditor& v) {
             select(v, 0, 500000);
             ASSERT_EQ(DispatchCommand(v.app, IDM_CUT), 1);
         },
         IDM_ZOOM_FIT, false, command(IDM_UNDO), true},
        {"paste",
         [&](ViewEditor& v) {
             select(v, 0, 750000);
             ASSERT_EQ(DispatchCommand(v.app, IDM_COPY), 1);
         },
         IDM_ZOOM_FIT, false, command(IDM_PASTE), true},
        {"zoom step, resize", none, IDM_ZOOM_1_64, false, resize(900), false},
        {"fit, scroll, resize", none, IDM_ZOOM_FIT, true, resize(900), false},
        {"fit, scroll, cut", none, IDM_ZOOM_FIT, true,
         [&](ViewEditor& v) {
             select(v, 750000, 1000000);
             ASSERT_EQ(DispatchCommand(v.app, IDM_CUT), 1);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewEditor v;
        v.LoadSound(1, 16, 22050, 1000000, nullptr);
        c.before(v);
        ASSERT_EQ(DispatchCommand(v.app, c.zoom), 1);
        if (c.scroll) {
            v.Send(msg::MouseWheel, MakeWParam(0, static_cast<unsigned>(-120) & 0xFFFFu), At(100));
        }
        const double zoomed = FramesPerColumn(v.app);
        const std::int32_t zoomedStart = v.app.doc.viewStart;
        c.event(v);
        const double after = FramesPerColumn(v.app);
        const std::int32_t afterStart = v.app.doc.viewStart;
        ASSERT_EQ(DispatchCommand(v.app, IDM_ZOOM_FIT), 1);
        if (c.refitted) {
            EXPECT_NE(FramesPerColumn(v.app), zoomed) << "the event leaves the old fit wrong";
            EXPECT_EQ(after, FramesPerColumn(v.app));
            EXPECT_EQ(afterStart, v.app.doc.viewStart);
        } else {
            EXPECT_EQ(after, zoomed);
            EXPECT_EQ(afterStart, zoomedStart);
            EXPECT_TRUE(after != FramesPerColumn(v.app) || afterStart != v.app.doc.viewStart)
                << "a fit would have changed the view";
        }
    }
}

} // namespace
} // namespace wt::test
