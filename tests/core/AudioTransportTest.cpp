// Playback, recording and the position bar on the scripted host, with fake devices behind
// the same interface as the real ones.
#include "TestApp.h"

#include "FileTestSupport.h"
#include "batch/Batch.h"
#include "commands/devices/AudioTexts.h"
#include "commands/devices/DeviceDialog.h"
#include "commands/devices/Transport.h"
#include "commands/edit/UndoCommands.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "platform/BlockCursor.h"
#include "platform/PlaybackRenderer.h"
#include "platform/PreviewStream.h"
#include "platform/RasterCanvas.h"
#include "resources/Dialogs.h"
#include "view/WaveWindow.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>
#include <tuple>

using namespace wt;

namespace {

const std::set<int> kTransportButtons = {IDM_PLAY, IDM_PLAY_FROM_CURSOR, IDM_LOOP_PLAY, IDM_RECORD};

// An editor with fake devices and a 1000-frame 16-bit stereo sound (4 bytes a frame).
struct Rig {
    FakeWaveDevices devices; // outlives the editor, which closes it when it goes
    test::TestApp t;
    Rig() {
        t.host.UseDevices(&devices);
        t.SetSound(16, 2, 1000, [](int f, int c) { return f * 2 + c; });
    }
    App& app() { return t.app; }
    void Select(int fromFrame, int toFrame) {
        t.app.doc.selStart = fromFrame * 4;
        t.app.doc.selEnd = toFrame * 4;
    }
    bool Idle() const {
        return t.app.audio.playMode == kPlayIdle && !t.app.audio.recording && !t.app.busy &&
               t.host.menu == &t.app.menus.normal && t.host.disabledButtons.empty();
    }
};

TEST(AudioPlay, EachModeHandsTheDeviceItsSliceInPlace) {
    struct Case {
        int mode, selFrom, selTo;
        bool opens;
        int startFrame, frames;
        bool loop;
    } cases[] = {
        {kPlayAll, 100, 200, true, 0, 1000, false},         // the selection is ignored
        {kPlayFromCursor, 100, 200, true, 100, 100, false}, // the selection
        {kPlayFromCursor, 300, 300, true, 300, 700, false}, // empty: to the end
        {kPlayFromCursor, 1000, 1000, false, 0, 0, false},  // at the end: no device
        {kPlayLoop, 300, 300, false, 0, 0, false},          // loop needs a selection
        {kPlayLoop, 100, 200, true, 100, 100, true},
    };
    for (const Case& c : cases) {
        Rig r;
        r.Select(c.selFrom, c.selTo);
        EXPECT_EQ(CmdPlay(r.app(), c.mode), c.opens ? 1 : 0) << c.mode << " " << c.selFrom;
        EXPECT_EQ(r.devices.outputOpenCalls, c.opens ? 1 : 0);
        if (!c.opens) {
            EXPECT_TRUE(r.Idle());
            continue;
        }
        EXPECT_EQ(r.devices.outputData, r.app().doc.Data() + c.startFrame * 4);
        EXPECT_EQ(r.devices.outputLength, static_cast<std::size_t>(c.frames) * 4);
        EXPECT_EQ(r.devices.outputLoop, c.loop);
        EXPECT_EQ(r.devices.outputFormat.blockAlign, 4);
        EXPECT_EQ(r.devices.outputFormat.sampleRate, 22050u);
        EXPECT_EQ(r.app().audio.playMode, c.mode);
    }
}

TEST(AudioPlay, WhilePlayingOnlyStopPassesAndTheReportEndsIt) {
    Rig r;
    ASSERT_EQ(DispatchCommand(r.app(), IDM_PLAY), 1);
    EXPECT_TRUE(r.app().busy);
    EXPECT_EQ(r.t.host.menu, &r.app().menus.disabled);
    EXPECT_EQ(r.t.host.disabledButtons, kTransportButtons);
    for (int id : {IDM_PLAY, IDM_RECORD, IDM_VOLUME, IDM_UNDO, IDM_ZOOM_IN}) {
        EXPECT_EQ(DispatchCommand(r.app(), id), -1) << id;
    }
    EXPECT_EQ(r.devices.outputOpenCalls, 1);
    EXPECT_EQ(DispatchCommand(r.app(), IDM_STOP), 1);
    EXPECT_FALSE(r.devices.playing);
    EXPECT_TRUE(r.devices.outputOpen) << "stop only resets; the report closes";
    // A report for an earlier opening is ignored; this one's report ends playback.
    MainWndProc(r.app(), msg::WaveOutDone, r.app().audio.outputHandle + 100, 0);
    EXPECT_TRUE(r.app().busy);
    EXPECT_EQ(r.t.host.DeliverPosted(), 1);
    EXPECT_TRUE(r.Idle());
    EXPECT_FALSE(r.devices.outputOpen);
    // The end of the sound reports done by itself, in a loop only stop ends it.
    ASSERT_EQ(DispatchCommand(r.app(), IDM_PLAY), 1);
    r.devices.FinishOutput();
    r.t.host.DeliverPosted();
    EXPECT_TRUE(r.Idle());
}

// Home and End place an empty selection at the start or the end and scroll it into view;
// Space plays from the cursor when stopped and stops when playing; while playing, Home and End
// change nothing.
TEST(AudioPlay, HomeEndAndSpaceKeys) {
    Rig r;
    App& app = r.app();
    app.doc.framesPerPixel = 1; // 1000 columns: wider than the window
    struct Case {
        WParam key;
        int cursorFrame; // afterwards
        bool playing;
    } cases[] = {
        {vk::End, 1000, false}, {vk::Home, 0, false},
        {vk::End, 1000, false}, {vk::Space, 1000, false}, // nothing left to play at the end
        {vk::Home, 0, false},   {vk::Space, 0, true},
        {vk::End, 0, true},     {vk::Space, 0, false},
    };
    for (const Case& c : cases) {
        MainWndProc(app, msg::KeyDown, c.key, 0);
        r.t.host.DeliverPosted();
        EXPECT_EQ(app.doc.cursor, c.cursorFrame * 4) << c.key;
        EXPECT_EQ(app.doc.selStart, app.doc.cursor);
        EXPECT_EQ(app.doc.selEnd, app.doc.cursor);
        EXPECT_EQ(r.devices.playing, c.playing) << c.key;
        if (c.playing) { // from the cursor to the end
            EXPECT_EQ(r.devices.outputData, app.doc.Data());
            EXPECT_EQ(r.devices.outputLength, 4000u);
        }
        const std::int64_t column = (app.doc.cursor - app.doc.viewStart) / 4;
        EXPECT_TRUE(column >= 0 && column < GetWaveLayout(app).area.Width()) << c.key;
    }
    EXPECT_TRUE(r.Idle());
    EXPECT_EQ(r.devices.outputOpenCalls, 1);
    // Space stops a recording as it stops playback; the recording is kept.
    r.t.host.QueueDialog({{{104, "1"}, {202, "1"}, {302, "1"}, {kIdRecordTimeEdit, "1"}}});
    ASSERT_EQ(DispatchCommand(app, IDM_RECORD), 1);
    r.devices.Record(app.doc.Data(), 400);
    MainWndProc(app, msg::KeyDown, vk::Space, 0);
    r.t.host.DeliverPosted();
    EXPECT_FALSE(app.audio.recording);
    EXPECT_EQ(app.doc.byteLength, 400);
    EXPECT_TRUE(r.Idle());
}

// The view follows playback: when the position leaves the window, the page turns so that the
// position shows at the left edge; inside the window, and at the end of the sound, it stays.
TEST(AudioPlay, ViewTurnsThePageWhenThePositionLeavesIt) {
    Rig r;
    CmdZoom1(r.app()); // one frame a column: 1000 frames are wider than the window
    const int w = GetWaveLayout(r.app()).area.Width();
    ASSERT_LT(w + 100, 900);
    const struct {
        int mode, selFrom, selTo, viewBefore;
        std::int64_t position;
        int viewAfter; // frames
    } cases[] = {
        {kPlayAll, 0, 0, 0, w - 1, 0},
        {kPlayAll, 0, 0, 0, w + 5, w + 5},
        {kPlayAll, 0, 0, 0, 1000, 0}, // the end
        {kPlayFromCursor, 100, 100, 0, w - 101, 0},
        {kPlayFromCursor, 100, 100, 0, w, 100 + w},
        {kPlayLoop, 50, 900, 300, 870, 70}, // wrapped round to before the view
    };
    for (const auto& c : cases) {
        r.app().doc.viewStart = c.viewBefore * 4;
        r.Select(c.selFrom, c.selTo);
        ASSERT_EQ(CmdPlay(r.app(), c.mode), 1);
        r.devices.outputPosition = c.position;
        MainWndProc(r.app(), msg::Timer, 5, 0);
        EXPECT_EQ(r.app().doc.viewStart, c.viewAfter * 4) << c.mode << " " << c.position;
        CmdStop(r.app());
        r.t.host.DeliverPosted();
    }
}

TEST(AudioPlay, OpenFailuresShowTheirMessageAndChangeNothing) {
    const std::pair<WaveResult, std::string> cases[] = {
        {WaveResult::BadFormat, "WAVEデバイスでサポートされていないデータ形式です"},
        {WaveResult::Sync, "同期デバイスドライバは使用できません"},
        {WaveResult::NoMemory, "メモリーが足りません"},
        {WaveResult::Allocated, "指定のリソースは既に使用されています"},
        {WaveResult::BadDeviceId, "デバイスIDが異常です"},
        {WaveResult::Error, "WAVEデバイスがオープンできません"},
    };
    for (const auto& [result, text] : cases) {
        Rig r;
        r.devices.openOutputResult = result;
        EXPECT_EQ(DispatchCommand(r.app(), IDM_PLAY), 0);
        ASSERT_EQ(r.t.host.messages.size(), 1u) << text;
        const ShownMessage& m = r.t.host.messages[0];
        EXPECT_EQ(m.text, text);
        EXPECT_EQ(m.caption, "WaveTomuka");
        EXPECT_EQ(m.owner, Owner::WaveWindow);
        EXPECT_EQ(m.flags, mb::Ok | mb::IconWarning);
        EXPECT_TRUE(r.Idle());
    }
    // A device that refuses the buffer is closed again: no report would ever come.
    Rig r;
    r.devices.writeOutputResult = WaveResult::Error;
    EXPECT_EQ(DispatchCommand(r.app(), IDM_LOOP_PLAY), 0) << "no selection: nothing to loop";
    EXPECT_EQ(DispatchCommand(r.app(), IDM_PLAY), 0);
    ASSERT_EQ(r.t.host.messages.size(), 1u);
    EXPECT_EQ(r.t.host.messages[0].text, "WAVEデバイスがオープンできません");
    EXPECT_FALSE(r.devices.outputOpen);
    EXPECT_TRUE(r.Idle());
    // Without any devices the same message.
    r.t.host.UseDevices(nullptr);
    EXPECT_EQ(DispatchCommand(r.app(), IDM_PLAY), 0);
    EXPECT_EQ(r.t.host.messages.back().text, "WAVEデバイスがオープンできません");
}

TEST(AudioPlay, PositionBarFollowsTheDeviceAndWrapsInALoop) {
    // Zoom 1/1: one frame a pixel; the strip lies above the ruler's text line.
    struct Case {
        int mode, selFrom, selTo;
        std::int64_t position;
        int left, right; // expected green span; in a loop grey from `right` on
    } cases[] = {
        {kPlayAll, 100, 200, 30, 48, 78},
        {kPlayFromCursor, 100, 200, 30, 148, 178},
        {kPlayLoop, 100, 200, 250, 148, 198}, // 250 frames into a 100-frame loop
        {kPlayLoop, 100, 200, 300, 148, 148}, // back at the start
    };
    for (const Case& c : cases) {
        Rig r;
        CmdZoom1(r.app());
        r.Select(c.selFrom, c.selTo);
        auto screen =
            std::make_unique<RasterCanvas>(r.t.host.WaveClientWidth(), r.t.host.WaveClientHeight());
        RasterCanvas& canvas = *screen;
        r.t.host.waveCanvas = std::move(screen);
        const Rect strip = PositionBarStrip(r.app());
        const int bottom = r.t.host.WaveClientHeight() - (16 + 0 + 2); // font height 16
        EXPECT_EQ(strip, (Rect{0, bottom - 4, r.t.host.WaveClientWidth(), bottom}));
        ASSERT_EQ(CmdPlay(r.app(), c.mode), 1);
        r.devices.outputPosition = c.position;
        MainWndProc(r.app(), msg::Timer, 5, 0);
        const Rgb white{255, 255, 255};
        for (int x = 0; x < strip.right; ++x) {
            Rgb want = white;
            if (x >= c.left && x < c.right) {
                want = kColourPlayBar;
            } else if (c.mode == kPlayLoop && x >= c.right) {
                want = kColourBarStrip;
            }
            ASSERT_EQ(canvas.Pixel(x, strip.top), want) << "mode " << c.mode << " x " << x;
            ASSERT_EQ(canvas.Pixel(x, strip.bottom - 1), want);
            ASSERT_EQ(canvas.Pixel(x, strip.top - 1), white) << "4 pixels high";
        }
        // The end paints the whole strip grey.
        CmdStop(r.app());
        r.t.host.DeliverPosted();
        EXPECT_EQ(canvas.Pixel(0, strip.top), kColourBarStrip);
        EXPECT_EQ(canvas.Pixel(strip.right - 1, strip.bottom - 1), kColourBarStrip);
    }
}

// --- Recording ---------------------------------------------------------------------------------

std::string MemoryShown(RecordSettings settings, std::vector<std::pair<int, std::string>> acts) {
    std::vector<DialogBinding> table = RecordBindings(settings);
    ParamDialogState state;
    ScriptedDialog dlg(*FindDialogTemplate(kDialogRecord),
                       [&state](DialogHost& d, unsigned m, WParam w, LParam l) {
                           return ParamDlgProc(d, m, w, l, state);
                       });
    EXPECT_TRUE(dlg.Initialize(reinterpret_cast<LParam>(table.data())));
    for (const auto& [id, value] : acts) {
        std::string error;
        EXPECT_TRUE(dlg.Apply(id, value, error)) << error;
    }
    return dlg.GetItemText(kIdRecordMemory);
}

TEST(AudioRecord, DialogShowsTheMemoryTheRecordingNeeds) {
    struct Case {
        RecordSettings settings;
        std::vector<std::pair<int, std::string>> acts;
        std::string kilobytes;
    } cases[] = {
        {{44100, 16, 2, 300}, {}, "51679"}, // 52,920,000 bytes
        {{8000, 8, 1, 1}, {}, "7"},         // 8000 / 1024
        {{48000, 16, 1, 10}, {}, "937"},    // the sound's rate is marked
        {{96000, 16, 2, 1}, {}, "375"},
        {{32000, 16, 1, 10}, {}, "625"},           // no button: the rate to be recorded counts
        {{32000, 16, 1, 10}, {{109, "1"}}, "937"}, // 48 kHz chosen
        {{22050, 8, 2, 60}, {{402, "5"}}, "215"},  // typing the time
        {{22050, 8, 2, 60}, {{401, "2"}}, "86"},   // moving the bar
        {{22050, 8, 2, 10}, {{202, "1"}, {301, "1"}, {101, "1"}}, "156"}, // 10*8000*2*1/1024
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MemoryShown(c.settings, c.acts), c.kilobytes) << c.settings.rate;
    }
}

DialogScript RecordScript(const char* rateId, const char* bitsId, const char* channelsId,
                          const char* seconds) {
    DialogScript s;
    s.assignments = {{std::stoi(rateId), "1"},
                     {std::stoi(bitsId), "1"},
                     {std::stoi(channelsId), "1"},
                     {kIdRecordTimeEdit, seconds}};
    return s;
}

TEST(AudioRecord, StopKeepsExactlyTheRecordedBytesAndUndoBringsTheOldSoundBack) {
    Rig r;
    SoundDocument& doc = r.app().doc;
    const SoundFormat oldFormat = doc.format;
    const std::vector<std::uint8_t> oldBytes(doc.Data(), doc.Data() + doc.byteLength);
    // An imported file: a save of the recording must never reach it.
    std::tie(doc.title, doc.fileType, doc.imported, doc.sourceFormat) =
        std::tuple("/tmp/meeting.flac", 4, true, "flac 24 44100 2");
    const auto file = [&doc] {
        return std::tie(doc.title, doc.fileType, doc.imported, doc.sourceFormat);
    };
    r.Select(10, 20);
    r.t.host.QueueDialog(RecordScript("104", "201", "301", "2")); // 44.1 kHz 8-bit mono, 2 s
    ASSERT_EQ(DispatchCommand(r.app(), IDM_RECORD), 1);
    EXPECT_EQ(r.devices.inputLength, 88200u);
    EXPECT_EQ(r.devices.inputFormat.sampleRate, 44100u);
    EXPECT_EQ(r.devices.inputFormat.blockAlign, 1);
    EXPECT_EQ(r.t.host.StatusText(0), "録音中");
    EXPECT_EQ(doc.format, oldFormat) << "the document keeps its format until the recording ends";
    EXPECT_EQ(r.t.host.menu, &r.app().menus.disabled);
    EXPECT_EQ(r.t.host.disabledButtons, kTransportButtons);
    EXPECT_FALSE(r.app().busy);
    // Only stop and the toolbar's zoom buttons pass while recording.
    EXPECT_EQ(DispatchCommand(r.app(), IDM_UNDO, NotifyAccelerator), -1);
    EXPECT_EQ(DispatchCommand(r.app(), IDM_PASTE, NotifyAccelerator), -1);
    EXPECT_EQ(DispatchCommand(r.app(), IDM_ZOOM_IN), 1);
    EXPECT_EQ(r.app().audio.recordSeconds, 2);

    std::vector<std::uint8_t> sound(1001);
    std::iota(sound.begin(), sound.end(), std::uint8_t{7});
    EXPECT_EQ(r.devices.Record(sound.data(), sound.size()), sound.size());
    DispatchCommand(r.app(), IDM_STOP);
    r.t.host.DeliverPosted();
    EXPECT_TRUE(r.Idle());
    EXPECT_EQ(doc.byteLength, 1001);
    EXPECT_EQ(doc.sampleData.Size(), 1001u + 16);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), doc.Data()));
    EXPECT_EQ(doc.format.sampleRate, 44100u);
    EXPECT_EQ(doc.format.bitsPerSample, 8);
    EXPECT_EQ(doc.format.bytesPerSecond, 44100u);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.title, "無題");
    EXPECT_EQ(r.t.host.caption, "WaveTomuka -[無題]");
    EXPECT_EQ(file(), std::tuple("無題", 0, false, ""));
    EXPECT_EQ(doc.selStart, 0);
    EXPECT_EQ(doc.selEnd, 0);
    EXPECT_EQ(r.t.host.StatusText(0), "44100Hz 8Bits Mono");
    EXPECT_EQ(r.t.host.StatusText(1), "1001 Bytes");
    EXPECT_EQ(r.t.host.StatusText(2), "Cur :0.000(Sec)");

    ASSERT_EQ(CmdUndo(r.app()), 1);
    EXPECT_EQ(file(), std::tuple("/tmp/meeting.flac", 4, true, "flac 24 44100 2"));
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(doc.format, oldFormat);
    ASSERT_EQ(doc.byteLength, static_cast<std::int32_t>(oldBytes.size()));
    EXPECT_TRUE(std::equal(oldBytes.begin(), oldBytes.end(), doc.Data()));
    EXPECT_EQ(doc.selEnd, 80);
}

TEST(AudioRecord, AFullBlockEndsTheRecordingByItself) {
    Rig r;
    r.t.host.QueueDialog(RecordScript("101", "202", "302", "1")); // 8 kHz 16-bit stereo, 1 s
    ASSERT_EQ(DispatchCommand(r.app(), IDM_RECORD), 1);
    const std::vector<std::uint8_t> sound(40000, 0x5A);
    EXPECT_EQ(r.devices.Record(sound.data(), sound.size()), 32000u);
    EXPECT_EQ(r.t.host.DeliverPosted(), 1);
    EXPECT_TRUE(r.Idle());
    EXPECT_EQ(r.app().doc.byteLength, 32000);
    EXPECT_EQ(r.app().doc.sampleData.Size(), 32016u);
    EXPECT_EQ(r.app().doc.format.blockAlign, 4);
}

TEST(AudioRecord, OnlyARecordingItsDeviceCutShortSaysSoAndFailsTheBatchRun) {
    enum class End { Stop, CloseWindow, FullBlock, DeviceLost };
    struct Case {
        End end;
        std::size_t fed; // bytes the device recorded before the end
        bool told;
    } cases[] = {
        {End::Stop, 1000, false},      {End::CloseWindow, 1000, false},
        {End::FullBlock, 8000, false}, {End::DeviceLost, 1000, true},
        {End::DeviceLost, 0, true},
    };
    for (const Case& c : cases) {
        Rig r;
        r.t.host.QueueDialog(RecordScript("101", "201", "301", "1")); // 8 kHz 8-bit mono, 1 s
        ASSERT_EQ(DispatchCommand(r.app(), IDM_RECORD), 1);
        std::vector<std::uint8_t> sound(c.fed);
        std::iota(sound.begin(), sound.end(), std::uint8_t{3});
        EXPECT_EQ(r.devices.Record(sound.data(), sound.size()), c.fed);
        if (c.end == End::Stop) {
            DispatchCommand(r.app(), IDM_STOP);
        } else if (c.end == End::CloseWindow) {
            StopDevicesNow(r.app());
        } else if (c.end == End::DeviceLost) {
            r.devices.LoseInput();
        }
        std::ostringstream out, err;
        BatchContext context{r.app(), r.t.host, out, err};
        std::string error;
        bool stop = false;
        EXPECT_TRUE(RunBatchLine(context, "wait", error, stop)) << c.fed << error;
        EXPECT_EQ(context.failedOnTheWay, c.told) << c.fed;
        const std::string why = "end " + std::to_string(static_cast<int>(c.end));
        EXPECT_TRUE(r.Idle()) << why;
        ASSERT_EQ(r.app().doc.byteLength, static_cast<std::int32_t>(c.fed)) << why;
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), r.app().doc.Data())) << why;
        EXPECT_TRUE(r.app().doc.modified) << why;
        if (!c.told) {
            EXPECT_EQ(r.t.host.messages.size(), 0u) << why;
            continue;
        }
        ASSERT_EQ(r.t.host.messages.size(), 1u) << why;
        EXPECT_EQ(r.t.host.messages[0].caption, "WaveTomuka");
        EXPECT_EQ(r.t.host.messages[0].text,
                  "録音デバイスが停止したため、録音を途中で終了しました");
        EXPECT_EQ(err.str(), "error: the recording ended early: the device stopped after " +
                                 std::to_string(c.fed) +
                                 " bytes; the run goes on with what arrived\n");
    }
}

TEST(AudioRecord, FailedStartsLeaveTheSoundAndItsFormatAsTheyWere) {
    struct Case {
        WaveResult FakeWaveDevices::*result;
        std::size_t allocationLimit;
        std::string text;
    } cases[] = {
        {&FakeWaveDevices::openInputResult, 0, "WAVEデバイスがオープンできません"},
        {&FakeWaveDevices::prepareInputResult, 0, "WaveIn Prepare Error"},
        {&FakeWaveDevices::addInputResult, 0, "WaveIn AddBufferError"},
        {&FakeWaveDevices::startInputResult, 0, "WAVEデバイスがオープンできません"},
        {nullptr, 100000, "メモリーが足りません"}, // the 2 s block is 352,800 bytes
    };
    for (const Case& c : cases) {
        Rig r;
        const SoundFormat before = r.app().doc.format;
        const std::uint8_t* block = r.app().doc.Data();
        if (c.result) {
            r.devices.*c.result = WaveResult::BadDeviceId;
        }
        SampleBlock::SetAllocationLimitForTesting(c.allocationLimit);
        r.t.host.QueueDialog(RecordScript("104", "202", "302", "2"));
        EXPECT_EQ(DispatchCommand(r.app(), IDM_RECORD), 0);
        SampleBlock::SetAllocationLimitForTesting(0);
        ASSERT_EQ(r.t.host.messages.size(), 1u) << c.text;
        EXPECT_EQ(r.t.host.messages[0].text, c.text);
        EXPECT_EQ(r.t.host.messages[0].caption, "WaveTomuka");
        EXPECT_EQ(r.app().doc.format, before) << c.text;
        EXPECT_EQ(r.app().doc.Data(), block);
        EXPECT_EQ(r.app().doc.byteLength, 4000);
        EXPECT_EQ(r.t.host.StatusText(0), "22050Hz 16Bits Stereo");
        EXPECT_FALSE(r.devices.inputOpen);
        EXPECT_EQ(r.app().audio.recordBlock.Size(), 0u);
        EXPECT_TRUE(r.Idle());
    }
}

TEST(AudioRecord, ClosingStopsTheDevicesAndKeepsWhatWasRecorded) {
    // Recording: the recording becomes the document, so the close asks about saving it.
    Rig r;
    r.t.host.QueueDialog(RecordScript("103", "201", "301", "10"));
    ASSERT_EQ(DispatchCommand(r.app(), IDM_RECORD), 1);
    const std::vector<std::uint8_t> sound(500, 0x33);
    r.devices.Record(sound.data(), sound.size());
    r.t.host.QueueAnswer(IdCancel);
    MainWndProc(r.app(), msg::Close, 0, 0);
    EXPECT_FALSE(r.t.host.destroyed);
    ASSERT_EQ(r.t.host.messages.size(), 1u);
    EXPECT_EQ(r.t.host.messages[0].text, "[無題]は変更されています\n保存しますか?");
    EXPECT_FALSE(r.devices.inputOpen);
    EXPECT_EQ(r.app().doc.byteLength, 500);
    EXPECT_TRUE(r.Idle());
    EXPECT_EQ(r.t.host.DeliverPosted(), 1) << "the device's own report comes later";
    EXPECT_EQ(r.app().doc.byteLength, 500) << "and is ignored";

    // Playing: the close is taken although the busy flag is set, and stops the device first.
    Rig p;
    ASSERT_EQ(DispatchCommand(p.app(), IDM_LOOP_PLAY), 0);
    p.Select(0, 10);
    ASSERT_EQ(DispatchCommand(p.app(), IDM_LOOP_PLAY), 1);
    MainWndProc(p.app(), msg::Close, 0, 0);
    EXPECT_FALSE(p.devices.outputOpen);
    EXPECT_TRUE(p.t.host.destroyed);
}

TEST(AudioDevices, BlockCursorLoopsSampleExactlyAndEndsInSilence) {
    const std::vector<std::uint8_t> block = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}; // 5 frames of 2
    for (const bool loop : {false, true}) {
        for (const int piece : {1, 2, 3, 5, 7, 16}) {
            BlockCursor cursor{block.data(), 5, 2, loop, 0x80};
            std::vector<std::uint8_t> out;
            std::int64_t fromBlock = 0;
            for (int n = 0; n < 4; ++n) {
                std::vector<std::uint8_t> buffer(static_cast<std::size_t>(piece) * 2);
                fromBlock += cursor.Render(buffer.data(), piece);
                out.insert(out.end(), buffer.begin(), buffer.end());
            }
            const std::int64_t total = 4 * piece;
            EXPECT_EQ(fromBlock, loop ? total : std::min<std::int64_t>(total, 5));
            for (std::size_t i = 0; i < out.size(); ++i) {
                const std::uint8_t want =
                    loop || i < block.size() ? block[i % block.size()] : std::uint8_t{0x80};
                ASSERT_EQ(out[i], want) << "loop " << loop << " piece " << piece << " byte " << i;
            }
        }
    }
}

TEST(AudioDevices, PlaybackEndsOnlyOnceTheLastFrameHasBeenHeard) {
    // 10 frames at 10 Hz in buffers of 4; each buffer is heard 0.5 s after it is asked for,
    // and the server may hold back 0.3 s more.
    const std::vector<std::uint8_t> block(10, 1);
    PlaybackRenderer r;
    r.Start(block.data(), 10, 1, false, 0, 10.0, 0.3);
    EXPECT_EQ(r.Heard(0.0), 0) << "nothing before the first buffer";
    std::vector<std::uint8_t> out(4);
    struct Step {
        double now;
        bool goesOn;
        std::int64_t handed;
        double askAt;
        std::int64_t heard;
    } steps[] = {
        {0.0, true, 4, 0.25, 0},  // heard from 0.5 on
        {0.4, true, 8, 0.75, 2},  // buffer 1 heard since 0.5: frame 2
        {0.8, true, 10, 1.45, 9}, // the last 2 frames, heard 1.3..1.5; ends at 1.5 + 0.3
        {1.2, true, 10, 1.75, 10}, {1.6, true, 10, 9.0, 10}, {2.0, false, 10, 9.0, 10},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(r.Render(out.data(), 4, s.now, s.now + 0.5), s.goesOn) << s.now;
        EXPECT_EQ(r.Handed(), s.handed) << s.now;
        EXPECT_EQ(r.Heard(s.askAt), s.heard) << s.now;
    }
    // A source that makes the same frames while it plays ends the same way.
    PreviewStream source({1, 10, 8, 1}, false);
    source.Offer(std::make_unique<PreviewRendering>(PreviewRendering{block, 0}));
    r.Start(source, 1, 0, 10.0, 0.3);
    for (const Step& s : steps) {
        EXPECT_EQ(r.Render(out.data(), 4, s.now, s.now + 0.5), s.goesOn) << s.now;
        EXPECT_EQ(r.Handed(), s.handed) << s.now;
        EXPECT_EQ(r.Heard(s.askAt), s.heard) << s.now;
    }
    // A loop never ends by itself.
    r.Start(block.data(), 10, 1, true, 0, 10.0, 0.3);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(r.Render(out.data(), 4, i * 0.4, i * 0.4 + 0.5));
    }
    EXPECT_EQ(r.Handed(), 80);
}

TEST(AudioDevices, RateTextsNameTheSupportedRates) {
    const std::pair<std::uint32_t, std::string> cases[] = {
        {0x0, "Not Supported"},   {0x10, "22KHz"},
        {0x111, "11K/22K/44KHz"}, {0x101, "11K/44KHz"},
        {0x100, "44KHz"},         {0xEEE, "Not Supported"}, // other combinations only
    };
    for (const auto& [formats, text] : cases) {
        EXPECT_EQ(RateText(formats, wavefmt::Mono8_11k, wavefmt::Mono8_22k, wavefmt::Mono8_44k),
                  text)
            << formats;
    }
}

TEST(AudioDevices, BatchListsTheDevicesWaitsAndFailsWithoutThem) {
    test::TempDir dir;
    const std::string wav = dir.File("s.wav");
    test::WriteFile(wav,
                    test::RiffWave(test::ByteWriter()
                                       .Append(test::WaveFormatChunk(1, 1, 8000, 1, 8))
                                       .Append(test::Chunk("data", test::Bytes(800, 0x90), true))
                                       .bytes));
    auto run = [&](WaveDevices* devices, std::vector<std::string> lines) {
        BatchOptions options;
        options.modulePath = dir.File("wtomuka");
        options.iniPath = dir.File("wtomuka.ini");
        options.lines = std::move(lines);
        options.devices = devices;
        std::istringstream in;
        std::ostringstream out, err;
        const int status = RunBatch(options, in, out, err);
        return std::make_tuple(status, out.str(), err.str());
    };
    FakeWaveDevices fake;
    auto [status, out, err] = run(&fake, {"devices", "open " + wav, "play", "wait 20"});
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(out, "output 0: Fake Mapper\noutput 1: Fake Output\n"
                   "input 0: Fake Mapper\ninput 1: Fake Input\n");
    EXPECT_FALSE(fake.outputOpen) << "the run's end closes the device";

    std::tie(status, out, err) = run(&fake, {"open " + wav, "select 0 100", "loop_play", "wait"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("wait: loop playback ends only with stop"), std::string::npos) << err;
    std::tie(status, out, err) = run(&fake, {"wait -5"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("usage: wait [MS]"), std::string::npos) << err;

    std::tie(status, out, err) = run(nullptr, {"devices", "open " + wav, "play"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "output 0: \ninput 0: \n");
    EXPECT_NE(err.find("message: WaveTomuka: WAVEデバイスがオープンできません\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("play: the command did not succeed"), std::string::npos) << err;
}

} // namespace
