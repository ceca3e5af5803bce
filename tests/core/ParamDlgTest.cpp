// The table-driven parameter dialog, driven on a scripted dialog as a user would drive it.
#include "RadioGroups.h"
#include "TestApp.h"

#include "commands/generators/Generators.h"
#include "editor/ParamDialog.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "resources/Dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace wt;

namespace {

// Control ids of the test dialog.
enum : int {
    kBar100 = 20,
    kEdit100, // 0..100
    kBar500 = 22,
    kEdit500, // 1..500
    kBar10 = 24,
    kEdit10, // 0..10
    kBar200 = 26,
    kEdit200, // 0..200
    kBarTenths = 28,
    kEditTenths, // 0..50 shown as 0.0..5.0
    kBox = 40,
    kBoxNotApplicable = 41,
    kRadioA = 50,
    kRadioB = 51,
    kRadioC = 52,
    kText = 60,
    kTextShown = 61,
    kEndButton = 5,
    kOtherButton = 11,
};

DialogTemplate TestTemplate() {
    DialogTemplate t;
    t.id = 9000;
    t.caption = "test";
    for (int bar : {kBar100, kBar500, kBar10, kBar200, kBarTenths}) {
        t.controls.push_back({bar, ControlKind::HScrollBar, ""});
        t.controls.push_back({bar + 1, ControlKind::Edit, ""});
    }
    t.controls.push_back({kBox, ControlKind::CheckBox, "box"});
    t.controls.push_back({kBoxNotApplicable, ControlKind::CheckBox, "n/a"});
    t.controls.push_back({kRadioA, ControlKind::AutoRadio, "a", 0, 0, 0, 0, true});
    t.controls.push_back({kRadioB, ControlKind::AutoRadio, "b"});
    t.controls.push_back({kRadioC, ControlKind::AutoRadio, "c"});
    t.controls.push_back({kText, ControlKind::Edit, ""});
    t.controls.push_back({kTextShown, ControlKind::Edit, ""});
    t.controls.push_back({kEndButton, ControlKind::PushButton, "end"});
    t.controls.push_back({kOtherButton, ControlKind::PushButton, "other"});
    t.controls.push_back({IdOk, ControlKind::DefPushButton, "OK"});
    t.controls.push_back({IdCancel, ControlKind::PushButton, "Cancel"});
    return t;
}

// The parameters the test dialog edits and the dialog itself, initialised.
struct ParamDialogFixture : ::testing::Test {
    int p100 = 50, p500 = 100, p10 = 5, p200 = 20, tenths = 7;
    int box = 1, boxNotApplicable = 1, radio = 2;
    char text[8] = "abc";
    char shown[8] = "ro";
    std::vector<DialogBinding> table;
    DialogTemplate dialogTemplate = TestTemplate();
    ParamDialogState state;
    ScriptedDialog dlg{dialogTemplate, [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                           return ParamDlgProc(d, m, w, l, state);
                       }};

    void SetUp() override {
        ScrollWithEdit(table, kBar100, kEdit100, &p100, 0, 100);
        ScrollWithEdit(table, kBar500, kEdit500, &p500, 1, 500);
        ScrollWithEdit(table, kBar10, kEdit10, &p10, 0, 10);
        ScrollWithEdit(table, kBar200, kEdit200, &p200, 0, 200);
        ScrollWithEdit(table, kBarTenths, kEditTenths, &tenths, 0, 50, 10);
        table.push_back(CheckRow(kBox, &box));
        table.push_back(CheckRow(kBoxNotApplicable, &boxNotApplicable, true));
        table.push_back(RadioRow(kRadioA, &radio, 1));
        table.push_back(RadioRow(kRadioB, &radio, 2));
        table.push_back(RadioRow(kRadioC, &radio, 3));
        table.push_back(TextRow(kText, text, sizeof text));
        table.push_back(TextRow(kTextShown, shown, 0));
        table.push_back(EndRow());
        ASSERT_TRUE(dlg.Initialize(reinterpret_cast<LParam>(table.data())));
    }

    void Scroll(int bar, unsigned code, int pos = 0) {
        ParamDlgProc(dlg, msg::HScroll, MakeWParam(code, static_cast<unsigned>(pos)), bar, state);
    }
    void Type(int edit, const std::string& text) {
        std::string error;
        ASSERT_TRUE(dlg.Apply(edit, text, error)) << error;
    }
};

TEST_F(ParamDialogFixture, InitialisationShowsEveryParameter) {
    EXPECT_EQ(dlg.GetScrollPos(kBar100), 50);
    EXPECT_EQ(dlg.GetItemText(kEdit100), "50");
    int low = 0, high = 0;
    dlg.GetScrollRange(kBar500, &low, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 500);
    EXPECT_EQ(dlg.GetScrollPos(kBarTenths), 7);
    EXPECT_EQ(dlg.GetItemText(kEditTenths), "0.7");
    EXPECT_EQ(dlg.IsButtonChecked(kBox), Checked);
    EXPECT_EQ(dlg.IsButtonChecked(kBoxNotApplicable), Indeterminate);
    EXPECT_EQ(dlg.IsButtonChecked(kRadioA), Unchecked);
    EXPECT_EQ(dlg.IsButtonChecked(kRadioB), Checked);
    EXPECT_EQ(dlg.GetItemText(kText), "abc");
    EXPECT_EQ(dlg.GetItemText(kTextShown), "ro");
    // Initialisation itself leaves every parameter as it was.
    EXPECT_EQ(p100, 50);
    EXPECT_EQ(tenths, 7);
}

struct ScrollCase {
    int bar;
    unsigned code;
    int trackPos;
    int expected; // position, parameter and field afterwards
};

class ParamDialogScroll : public ParamDialogFixture,
                          public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ParamDialogScroll, MovesBarFieldAndParameterTogether) {
    const ScrollCase& c = GetParam();
    Scroll(c.bar, c.code, c.trackPos);
    EXPECT_EQ(dlg.GetScrollPos(c.bar), c.expected);
    EXPECT_EQ(dlg.GetItemText(c.bar + 1), std::to_string(c.expected));
    const int* param = c.bar == kBar100 ? &p100 : c.bar == kBar500 ? &p500 : &p10;
    EXPECT_EQ(*param, c.expected);
    EXPECT_FALSE(dlg.Ended());
}

// Pages are a sixteenth of the range, at least 1: 0..100 by 6, 1..500 by 31, 0..10 by 1.
// Top and bottom move by one, like the line codes; the thumb carries a signed 16-bit value.
INSTANTIATE_TEST_SUITE_P(
    Codes, ParamDialogScroll,
    ::testing::Values(
        ScrollCase{kBar100, sb::PageDown, 0, 56}, ScrollCase{kBar100, sb::PageUp, 0, 44},
        ScrollCase{kBar500, sb::PageDown, 0, 131}, ScrollCase{kBar500, sb::PageUp, 0, 69},
        ScrollCase{kBar10, sb::PageDown, 0, 6}, ScrollCase{kBar10, sb::PageUp, 0, 4},
        ScrollCase{kBar100, sb::LineUp, 0, 49}, ScrollCase{kBar100, sb::LineDown, 0, 51},
        ScrollCase{kBar100, sb::Top, 0, 49}, ScrollCase{kBar100, sb::Bottom, 0, 51},
        ScrollCase{kBar100, sb::ThumbTrack, 77, 77}, ScrollCase{kBar100, sb::ThumbPosition, 3, 3},
        ScrollCase{kBar100, sb::ThumbTrack, 0xFFFF, 0}, // -1, kept in range
        ScrollCase{kBar500, sb::ThumbTrack, 1000, 500}, ScrollCase{kBar100, sb::EndScroll, 0, 50}));

TEST_F(ParamDialogFixture, PagingStopsAtTheEndsOfTheRange) {
    for (int i = 0; i < 20; ++i) {
        Scroll(kBar100, sb::PageDown);
    }
    EXPECT_EQ(p100, 100);
    EXPECT_EQ(dlg.GetItemText(kEdit100), "100");
    for (int i = 0; i < 20; ++i) {
        Scroll(kBar500, sb::PageUp);
    }
    EXPECT_EQ(p500, 1);
}

TEST_F(ParamDialogFixture, OneDecimalBarShowsTenthsAndKeepsTheScaledValue) {
    std::string error;
    ASSERT_TRUE(dlg.Apply(kBarTenths, "3", error)) << error;
    EXPECT_EQ(dlg.GetItemText(kEditTenths), "0.3");
    EXPECT_EQ(tenths, 3);
    Scroll(kBarTenths, sb::PageDown); // (50 - 0) / 16 = 3
    EXPECT_EQ(dlg.GetItemText(kEditTenths), "0.6");
    EXPECT_EQ(tenths, 6);
}

struct TypedCase {
    int edit;
    const char* text;
    int expected; // parameter and bar afterwards
};

class ParamDialogTyping : public ParamDialogFixture,
                          public ::testing::WithParamInterface<TypedCase> {};

TEST_P(ParamDialogTyping, StoresTheClampedValueAtOnceAndLeavesTheText) {
    const TypedCase& c = GetParam();
    Type(c.edit, c.text);
    const int* param = c.edit == kEditTenths ? &tenths : c.edit == kEdit200 ? &p200 : &p500;
    EXPECT_EQ(*param, c.expected);
    EXPECT_EQ(dlg.GetScrollPos(c.edit - 1), c.expected);
    EXPECT_EQ(dlg.GetItemText(c.edit), c.text);
}

// Letters leave the parameter as it was (20, 100 and 7); a scaled field rounds to the nearest
// tenth and ignores what follows the number.
INSTANTIATE_TEST_SUITE_P(
    Texts, ParamDialogTyping,
    ::testing::Values(TypedCase{kEdit200, "500", 200}, TypedCase{kEdit200, "-5", 0},
                      TypedCase{kEdit200, "150", 150}, TypedCase{kEdit200, " 42", 42},
                      TypedCase{kEdit200, "abc", 20}, TypedCase{kEdit200, "", 20},
                      TypedCase{kEdit200, "12x", 20}, TypedCase{kEdit200, "99999999999", 20},
                      TypedCase{kEdit500, "0", 1}, TypedCase{kEditTenths, "1.26", 13},
                      TypedCase{kEditTenths, "1.24", 12}, TypedCase{kEditTenths, "2.5kHz", 25},
                      TypedCase{kEditTenths, " +0.7", 7}, TypedCase{kEditTenths, "-1", 0},
                      TypedCase{kEditTenths, "1e9", 50}, TypedCase{kEditTenths, "1e99", 50},
                      TypedCase{kEditTenths, "1e-99", 0}, TypedCase{kEditTenths, "inf", 50},
                      TypedCase{kEditTenths, "nan", 7}, TypedCase{kEditTenths, "+-1", 7},
                      TypedCase{kEditTenths, "x1", 7},
                      // Only the first 15 bytes count: "000000000000003" is 3.0.
                      TypedCase{kEditTenths, "0000000000000039", 30}));

TEST_F(ParamDialogFixture, OkAppliesTheClampedFieldNotTheTypedText) {
    Type(kEdit200, "500");
    EXPECT_EQ(dlg.GetItemText(kEdit200), "500");
    dlg.Press(IdOk);
    ASSERT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), 1);
    EXPECT_EQ(p200, 200);
}

TEST_F(ParamDialogFixture, TextThatIsStillNotANumberAtOkGivesZeroClamped) {
    Type(kEdit200, "abc");
    Type(kEdit500, "x");
    Type(kEditTenths, "?");
    EXPECT_EQ(p200, 20);
    EXPECT_EQ(p500, 100);
    dlg.Press(IdOk);
    EXPECT_EQ(p200, 0);
    EXPECT_EQ(p500, 1); // 0 clamped into 1..500
    EXPECT_EQ(tenths, 0);
}

TEST_F(ParamDialogFixture, CheckBoxesToggleUnlessNotApplicable) {
    std::string error;
    ASSERT_TRUE(dlg.Apply(kBox, "0", error)) << error;
    EXPECT_EQ(dlg.IsButtonChecked(kBox), Unchecked);
    dlg.Press(kBox);
    EXPECT_EQ(dlg.IsButtonChecked(kBox), Checked);
    dlg.Press(kBox);
    for (int i = 0; i < 3; ++i) {
        dlg.Press(kBoxNotApplicable);
        EXPECT_EQ(dlg.IsButtonChecked(kBoxNotApplicable), Indeterminate);
    }
    dlg.Press(IdOk);
    EXPECT_EQ(box, 0);
    EXPECT_EQ(boxNotApplicable, 0) << "a box shown as not applicable yields 0";
}

TEST_F(ParamDialogFixture, OkReadsRadioButtonsAndTextFields) {
    std::string error;
    ASSERT_TRUE(dlg.Apply(kRadioC, "1", error)) << error;
    Type(kText, "abcdefghij");
    Type(kTextShown, "changed");
    dlg.Press(IdOk);
    EXPECT_EQ(radio, 3);
    EXPECT_STREQ(text, "abcdefg") << "seven bytes and the terminator";
    EXPECT_STREQ(shown, "ro") << "a field that is only shown is never read back";
}

TEST_F(ParamDialogFixture, TextFieldsAreNotCutInsideACharacter) {
    Type(kText, "あいう"); // nine bytes of UTF-8; seven fit
    dlg.Press(IdOk);
    EXPECT_STREQ(text, "あい");
}

TEST_F(ParamDialogFixture, CancelKeepsValuesMovedWhileTheDialogWasOpen) {
    std::string error;
    ASSERT_TRUE(dlg.Apply(kBar100, "80", error)) << error;
    Type(kText, "zzz");
    ASSERT_TRUE(dlg.Apply(kRadioA, "1", error)) << error;
    dlg.Press(IdCancel);
    ASSERT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), 0);
    EXPECT_EQ(p100, 80) << "moving the bar stored the value at once";
    EXPECT_EQ(radio, 2) << "radio buttons are read only at OK";
    EXPECT_STREQ(text, "abc");
}

struct EndCase {
    WParam command;
    bool ends;
    LParam result;
};

class ParamDialogEnd : public ParamDialogFixture, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ParamDialogEnd, OnlyOkCancelAndTheEndButtonsEndTheDialog) {
    const EndCase& c = GetParam();
    const LParam handled = ParamDlgProc(dlg, msg::Command, c.command, 0, state);
    EXPECT_EQ(dlg.Ended(), c.ends);
    EXPECT_EQ(handled != 0, c.ends);
    if (c.ends) {
        EXPECT_EQ(dlg.Result(), c.result);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ParamDialogEnd,
                         ::testing::Values(EndCase{IdOk, true, 1}, EndCase{IdCancel, true, 0},
                                           EndCase{0, true, 0}, EndCase{3, true, 3},
                                           EndCase{kEndButton, true, 5}, EndCase{10, true, 10},
                                           EndCase{kOtherButton, false, 0},
                                           EndCase{MakeWParam(5, NotifyEditChange), false, 0},
                                           EndCase{MakeWParam(kBox, 0), false, 0}));

TEST(ParamDialogHook, IsCalledFromItsRowOnAndBeforeEveryMessageUntilTheEnd) {
    DialogTemplate t = TestTemplate();
    int value = 30;
    struct Seen {
        unsigned message;
        int valueThen;
        std::string fieldThen;
    };
    std::vector<Seen> seen;
    DialogBinding* tableSeen = nullptr;
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kBar100, kEdit100, &value, 0, 100);
    table.push_back(HookRow([&](DialogHost& d, unsigned m, WParam, LParam, DialogBinding* rows) {
        seen.push_back({m, value, d.GetItemText(kEdit100)});
        tableSeen = rows;
        return LParam{0};
    }));
    table.push_back(EndRow());
    ParamDialogState state;
    ScriptedDialog dlg(t, [&state](DialogHost& d, unsigned m, WParam w, LParam l) {
        return ParamDlgProc(d, m, w, l, state);
    });
    ASSERT_TRUE(dlg.Initialize(reinterpret_cast<LParam>(table.data())));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, msg::InitDialog);
    EXPECT_EQ(seen[0].fieldThen, "30") << "rows before the hook are initialised first";
    EXPECT_EQ(tableSeen, table.data());

    ParamDlgProc(dlg, msg::HScroll, MakeWParam(sb::LineDown, 0), kBar100, state);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1].message, msg::HScroll);
    EXPECT_EQ(seen[1].valueThen, 30) << "the hook runs before the dialog's own handling";

    dlg.Press(IdOk);
    const std::size_t calls = seen.size();
    EXPECT_EQ(seen.back().message, msg::Command);
    EXPECT_EQ(value, 31);
    ParamDlgProc(dlg, msg::HScroll, MakeWParam(sb::LineDown, 0), kBar100, state);
    EXPECT_EQ(seen.size(), calls) << "the hook is forgotten when the dialog ends";
}

TEST(ParamDialogTable, RunParamDialogEndsTheTableAndReturnsTheEndCode) {
    test::TestApp t;
    int value = 0;
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, 200, 201, &value, 0, 200);
    t.host.QueueDialog({{{201, "42"}}});
    EXPECT_EQ(RunParamDialog(t.app, 102, Owner::WaveWindow, table), 1);
    EXPECT_EQ(value, 42);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_FALSE(IsBindingRow(table.back()));

    t.host.QueueDialog({{{200, "7"}}, true});
    EXPECT_EQ(RunParamDialog(t.app, 102, Owner::WaveWindow, table), 0);
    EXPECT_EQ(table.size(), 3u) << "a table that already ends keeps its rows";
    EXPECT_EQ(value, 7);
    EXPECT_EQ(RunParamDialog(t.app, 9999, Owner::WaveWindow, table), -1);
}

TEST(ParamDialogTable, ScaledValuesShowOneDecimal) {
    EXPECT_EQ(FormatScaledValue(7, 10), "0.7");
    EXPECT_EQ(FormatScaledValue(-3, 10), "-0.3");
    EXPECT_EQ(FormatScaledValue(1234, 10), "123.4");
    EXPECT_EQ(FormatScaledValue(-17, 0), "-17");
}

// Every dialog's radio buttons are grouped as its template's group style says: a click clears
// the other buttons of its group and no others, whatever icons or labels stand between them
// (the tone dialog's pictures sit between its waveform buttons).
TEST(DialogRadioGroups, AClickClearsItsOwnTemplateGroupInEveryDialog) {
    const auto expected = test::ExpectedRadioGroups();
    std::size_t withRadios = 0;
    for (int id = 0; id <= 0xFFFF; ++id) {
        const DialogTemplate* t = FindDialogTemplate(id);
        std::vector<int> radios;
        for (const ControlTemplate& c : t ? t->controls : std::vector<ControlTemplate>{}) {
            if (c.kind == ControlKind::AutoRadio) {
                radios.push_back(c.id);
            }
        }
        if (radios.empty()) {
            continue;
        }
        ++withRadios;
        const auto groups = expected.find(id);
        ASSERT_NE(groups, expected.end()) << "dialog " << id << " has radio buttons";
        ScriptedDialog dlg(*t, [](DialogHost&, unsigned, WParam, LParam) -> LParam { return 0; });
        ASSERT_TRUE(dlg.Initialize(0));
        for (int clicked : radios) {
            const auto group = std::find_if(
                groups->second.begin(), groups->second.end(), [clicked](const auto& g) {
                    return std::find(g.begin(), g.end(), clicked) != g.end();
                });
            ASSERT_NE(group, groups->second.end()) << "dialog " << id << " button " << clicked;
            for (int r : radios) {
                dlg.CheckButton(r, Checked);
            }
            std::string error;
            ASSERT_TRUE(dlg.Apply(clicked, "1", error)) << error;
            for (int r : radios) {
                const bool cleared =
                    r != clicked && std::find(group->begin(), group->end(), r) != group->end();
                EXPECT_EQ(dlg.IsButtonChecked(r), cleared ? Unchecked : Checked)
                    << "dialog " << id << ": " << clicked << " clicked, " << r;
            }
        }
    }
    EXPECT_EQ(withRadios, expected.size());

    // Through the tone command: 107 gives the square wave, and sine can be had again after
    // sawtooth was clicked.
    const std::pair<DialogScript, int> tones[] = {
        {{{{kIdSquare, "1"}}}, 0},
        {{{{kIdSawtooth, "1"}, {kIdSine, "1"}}}, 1},
        {{{{kIdSine, "1"}, {kIdSawtooth, "1"}}}, 2},
    };
    for (const auto& [script, waveform] : tones) {
        test::TestApp t;
        t.SetSound(
            16, 1, 100, [](int f, int) { return f; }, 8000);
        t.host.QueueDialog(script);
        ASSERT_EQ(CmdTone(t.app), 1);
        EXPECT_EQ(t.app.effects.generators.tone.waveform, waveform);
    }
}

} // namespace
