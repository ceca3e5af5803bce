// Dialogs built from templates: each control reports the user's actions to the dialog
// procedure as a classic dialog manager does, and the procedure alone moves scroll bars and
// manual check boxes. Also the classic scroll bar on its own, and the editor's New and About
// dialogs on the real host.
#include "hosts/qt/QtDialog.h"

#include "RadioGroups.h"
#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/QtHost.h"

#include "commands/file/NewDialog.h"
#include "editor/App.h"
#include "platform/Canvas.h"
#include "resources/Dialogs.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace wt {
namespace {

using qttest::Settle;
using qttest::WhenModal;

struct Message {
    unsigned message;
    WParam wParam;
    LParam lParam;
    friend bool operator==(const Message&, const Message&) = default;
};

std::ostream& operator<<(std::ostream& os, const Message& m) {
    return os << "{" << std::hex << m.message << ", " << LowWord(m.wParam) << "|"
              << HighWord(m.wParam) << ", " << std::dec << m.lParam << "}";
}

Message Command(int id, unsigned code = 0) {
    return {msg::Command, MakeWParam(static_cast<unsigned>(id), code), 0};
}

enum : int {
    kEdit = 10,
    kManualCheck = 11,
    kAutoCheck = 12,
    kRadioA = 20,
    kRadioB = 21,
    kRadioC = 22, // second group
    kBar = 30,
    kList = 40,
    kCombo = 41,
    kDrawing = 50,
};

DialogTemplate EveryControl() {
    DialogTemplate t;
    t.id = 9000;
    t.caption = "テスト [*]";
    t.width = 240;
    t.height = 180;
    t.controls = {
        {-1, ControlKind::Static, "ラベル", 4, 4, 60, 10},
        {kEdit, ControlKind::Edit, "", 70, 4, 60, 12},
        {kManualCheck, ControlKind::CheckBox, "手動", 4, 20, 60, 10},
        {kAutoCheck, ControlKind::AutoCheckBox, "自動", 70, 20, 60, 10},
        {kRadioA, ControlKind::AutoRadio, "A", 4, 34, 30, 10, true},
        {kRadioB, ControlKind::AutoRadio, "B", 40, 34, 30, 10},
        {kRadioC, ControlKind::AutoRadio, "C", 80, 34, 30, 10, true},
        {kBar, ControlKind::HScrollBar, "", 4, 50, 150, 10},
        {kList, ControlKind::ListBox, "", 4, 64, 60, 50},
        {kCombo, ControlKind::ComboList, "", 70, 64, 60, 60},
        {kDrawing, ControlKind::OwnerDraw, "", 140, 64, 80, 50},
        {IdOk, ControlKind::DefPushButton, "OK", 120, 160, 50, 14},
        {IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", 180, 160, 50, 14},
    };
    return t;
}

// A dialog shown without its modal loop, with every message recorded. The procedure reports
// the messages as not handled unless `handle` says otherwise.
struct Recorder {
    DialogTemplate dialogTemplate = EveryControl();
    std::vector<Message> log;
    std::function<LParam(DialogHost&, const Message&)> handle;
    QtDialog dialog{dialogTemplate,
                    [this](DialogHost& dlg, unsigned m, WParam w, LParam l) -> LParam {
                        log.push_back({m, w, l});
                        return handle ? handle(dlg, log.back()) : 0;
                    },
                    nullptr};
    Recorder() {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        log.clear();
    }
    template <class W> W* Item(int id) { return static_cast<W*>(dialog.ItemWidget(id)); }
};

TEST(QtDialog, ControlsArePlacedInDialogUnitsOfTheDialogFont) {
    Recorder r;
    const int bx = r.dialog.DialogUnitsToPixelsX(4), by = r.dialog.DialogUnitsToPixelsY(8);
    EXPECT_GE(bx, 5);
    EXPECT_GE(by, 12);
    EXPECT_EQ(r.dialog.size(), QSize(240 * bx / 4, 180 * by / 8));
    const QRect bar = r.Item<QWidget>(kBar)->geometry();
    EXPECT_EQ(bar, QRect(4 * bx / 4, 50 * by / 8, 150 * bx / 4, 10 * by / 8));
    // The caption is shown as given: "[*]" is not taken for Qt's modified-mark placeholder.
    EXPECT_EQ(r.dialog.windowHandle()->title().toStdString(), "テスト [*]");
    EXPECT_FALSE(r.dialog.HasItem(-1));
    EXPECT_TRUE(r.dialog.HasItem(kDrawing));
    EXPECT_EQ(r.dialog.GetItemText(IdCancel), "ｷｬﾝｾﾙ");
}

TEST(QtDialog, ButtonsReportClicksAndOnlyAutomaticOnesChangeThemselves) {
    Recorder r;
    auto* manual = r.Item<QCheckBox>(kManualCheck);
    auto* automatic = r.Item<QCheckBox>(kAutoCheck);
    int stateSeenByProcedure = -1;
    r.handle = [&](DialogHost& dlg, const Message& m) -> LParam {
        if (m == Command(kAutoCheck)) {
            stateSeenByProcedure = dlg.IsButtonChecked(kAutoCheck);
        }
        return 0;
    };
    QTest::mouseClick(manual, Qt::LeftButton);
    EXPECT_EQ(r.log, (std::vector<Message>{Command(kManualCheck)}));
    EXPECT_EQ(r.dialog.IsButtonChecked(kManualCheck), Unchecked);
    // The procedure decides; the third state shows as partly checked and stays when clicked.
    r.dialog.CheckButton(kManualCheck, Indeterminate);
    EXPECT_EQ(manual->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(manual, Qt::LeftButton);
    EXPECT_EQ(r.dialog.IsButtonChecked(kManualCheck), Indeterminate);

    r.log.clear();
    QTest::mouseClick(automatic, Qt::LeftButton);
    EXPECT_EQ(r.log, (std::vector<Message>{Command(kAutoCheck)}));
    EXPECT_EQ(stateSeenByProcedure, Checked); // toggled before the command
    QTest::mouseClick(automatic, Qt::LeftButton);
    EXPECT_EQ(r.dialog.IsButtonChecked(kAutoCheck), Unchecked);

    r.log.clear();
    QTest::mouseClick(r.Item<QPushButton>(IdOk), Qt::LeftButton);
    EXPECT_EQ(r.log, (std::vector<Message>{Command(IdOk)}));
}

TEST(QtDialog, RadioButtonsAreExclusiveWithinTheirTemplateGroupOnly) {
    Recorder r;
    r.dialog.CheckRadioButton(kRadioA, kRadioB, kRadioA);
    r.dialog.CheckButton(kRadioC, Checked);
    QTest::mouseClick(r.Item<QRadioButton>(kRadioB), Qt::LeftButton);
    EXPECT_EQ(r.log, (std::vector<Message>{Command(kRadioB)}));
    EXPECT_EQ(r.dialog.IsButtonChecked(kRadioA), Unchecked);
    EXPECT_EQ(r.dialog.IsButtonChecked(kRadioB), Checked);
    EXPECT_EQ(r.dialog.IsButtonChecked(kRadioC), Checked);
    // Clicking the checked button again keeps it checked and still reports.
    QTest::mouseClick(r.Item<QRadioButton>(kRadioB), Qt::LeftButton);
    EXPECT_EQ(r.dialog.IsButtonChecked(kRadioB), Checked);
    EXPECT_EQ(r.log.size(), 2u);
    // The program may clear every button of a group.
    r.dialog.CheckButton(kRadioB, Unchecked);
    EXPECT_EQ(r.dialog.IsButtonChecked(kRadioB), Unchecked);
}

// The editor's own dialogs: a click clears the other radio buttons of its template group and
// no others, also where icons or labels stand between the buttons of a group (the tone
// dialog's waveform pictures).
TEST(QtDialog, RadioButtonsOfEveryEditorDialogClearTheirOwnTemplateGroup) {
    const auto expected = wt::test::ExpectedRadioGroups();
    std::size_t withRadios = 0;
    for (const auto& [id, groups] : expected) {
        const DialogTemplate* t = FindDialogTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        QtDialog dialog(
            *t, [](DialogHost&, unsigned, WParam, LParam) -> LParam { return 0; }, nullptr);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        for (const std::vector<int>& group : groups) {
            for (int clicked : group) {
                for (const std::vector<int>& g : groups) {
                    for (int r : g) {
                        dialog.CheckButton(r, Checked);
                    }
                }
                QTest::mouseClick(dialog.ItemWidget(clicked), Qt::LeftButton);
                for (const std::vector<int>& g : groups) {
                    for (int r : g) {
                        const bool cleared = &g == &group && r != clicked;
                        EXPECT_EQ(dialog.IsButtonChecked(r), cleared ? Unchecked : Checked)
                            << "dialog " << id << ": " << clicked << " clicked, " << r;
                    }
                }
            }
        }
    }
    // No other dialog has radio buttons.
    for (int id = 0; id <= 0xFFFF; ++id) {
        const DialogTemplate* t = FindDialogTemplate(id);
        withRadios += t && std::any_of(t->controls.begin(), t->controls.end(), [](const auto& c) {
                          return c.kind == ControlKind::AutoRadio;
                      });
    }
    EXPECT_EQ(withRadios, expected.size());
}

TEST(QtDialog, EditFieldsReportTypedAndProgrammaticChanges) {
    Recorder r;
    auto* edit = r.Item<QLineEdit>(kEdit);
    edit->setFocus();
    QTest::keyClicks(edit, "-42");
    const Message change = Command(kEdit, NotifyEditChange);
    EXPECT_EQ(r.log, (std::vector<Message>(3, change)));
    bool ok = false;
    EXPECT_EQ(r.dialog.GetItemInt(kEdit, &ok), -42);
    EXPECT_TRUE(ok);

    // Set by the program: reported too, even when the text is the same.
    r.log.clear();
    r.dialog.SetItemText(kEdit, "-42");
    r.dialog.SetItemInt(kEdit, 7);
    EXPECT_EQ(r.log, (std::vector<Message>(2, change)));
    EXPECT_EQ(r.dialog.GetItemText(kEdit), "7");
}

TEST(QtDialog, ListsReportOnlyTheUsersChoice) {
    Recorder r;
    for (const char* row : {"一", "二", "三"}) {
        r.dialog.ListAdd(kList, row);
        r.dialog.ListAdd(kCombo, row);
    }
    r.dialog.ListSetCurSel(kList, 0);
    r.dialog.ListSetCurSel(kCombo, 2);
    r.dialog.ListSetCurSel(kCombo, 9); // out of range: no selection
    EXPECT_TRUE(r.log.empty());
    EXPECT_EQ(r.dialog.ListGetCurSel(kCombo), -1);
    auto* list = r.Item<QListWidget>(kList);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(r.log, (std::vector<Message>{Command(kList, NotifyListSelChange)}));
    EXPECT_EQ(r.dialog.ListGetCurSel(kList), 1);
    r.dialog.ListReset(kList);
    EXPECT_EQ(r.dialog.ListGetCurSel(kList), -1);
}

TEST(QtDialog, OwnerDrawnItemsPaintThroughACanvasAndGetTheMouse) {
    Recorder r;
    QSize painted;
    r.handle = [&](DialogHost&, const Message& m) -> LParam {
        if (m.message == msg::Paint) {
            auto* canvas = reinterpret_cast<Canvas*>(m.lParam);
            painted = QSize(canvas->Width(), canvas->Height());
            canvas->FillRect({0, 0, 10, 10}, {255, 0, 0});
        }
        return 0;
    };
    QWidget* item = r.Item<QWidget>(kDrawing);
    r.dialog.InvalidateItem(kDrawing);
    item->repaint();
    EXPECT_EQ(painted, item->size());
    const QImage shown = item->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_NE(shown.pixelColor(15, 15), QColor(255, 0, 0));
    EXPECT_EQ(r.dialog.ItemRect(kDrawing),
              (Rect{item->x(), item->y(), item->x() + item->width(), item->y() + item->height()}));

    // The picture is kept: drawing outside a paint shows at once, and a repaint that was not
    // asked for by InvalidateItem does not call the procedure.
    painted = {};
    Canvas* outside = r.dialog.ItemCanvas(kDrawing);
    ASSERT_NE(outside, nullptr);
    outside->InvertRect({0, 0, 2, 2});
    item->repaint();
    EXPECT_EQ(painted, QSize());
    EXPECT_EQ(item->grab().toImage().pixelColor(1, 1), QColor(0, 255, 255));
    EXPECT_EQ(r.dialog.ItemCanvas(kEdit), nullptr);
    r.log.clear();
    QTest::mousePress(item, Qt::LeftButton, {}, QPoint(12, 7));
    QTest::mouseRelease(item, Qt::LeftButton, {}, QPoint(13, 8));
    ASSERT_EQ(r.log.size(), 2u);
    EXPECT_EQ(r.log[0], (Message{msg::LButtonDown, kDrawing, MakeLParam(12, 7)}));
    EXPECT_EQ(r.log[1], (Message{msg::LButtonUp, kDrawing, MakeLParam(13, 8)}));
}

TEST(QtDialog, EscapeAndTheCloseButtonAskForCancelAsTheClassicManagerDoes) {
    Recorder r;
    // Esc: Cancel, marked as the key's so that a playing preview can take it for itself.
    QTest::keyClick(&r.dialog, Qt::Key_Escape);
    EXPECT_EQ(r.log, (std::vector<Message>{{msg::Command, IdCancel, kCancelFromEscape}}));
    EXPECT_TRUE(r.dialog.isVisible()); // only EndDialog ends it

    // Close button: msg::Close first, Cancel when the procedure leaves it unhandled.
    r.log.clear();
    r.dialog.close();
    EXPECT_EQ(r.log, (std::vector<Message>{{msg::Close, 0, 0}, Command(IdCancel)}));
    r.log.clear();
    r.handle = [](DialogHost&, const Message& m) -> LParam { return m.message == msg::Close; };
    r.dialog.close();
    EXPECT_EQ(r.log, (std::vector<Message>{{msg::Close, 0, 0}}));
    // A disabled Cancel button makes the close button do nothing more.
    r.handle = nullptr;
    r.dialog.EnableItem(IdCancel, false);
    r.log.clear();
    r.dialog.close();
    EXPECT_EQ(r.log, (std::vector<Message>{{msg::Close, 0, 0}}));
    EXPECT_TRUE(r.dialog.isVisible());
}

TEST(QtDialog, RunReturnsTheEndDialogResultAndNothingReachesTheProcedureAfterIt) {
    const DialogTemplate t = EveryControl();
    std::vector<unsigned> seen;
    QtDialog atInit(
        t,
        [&](DialogHost& dlg, unsigned m, WParam, LParam l) -> LParam {
            seen.push_back(m);
            if (m == msg::InitDialog) {
                EXPECT_EQ(l, 1234);
                dlg.EndDialog(77); // ends before the modal loop starts: Run must not block
            }
            return 1;
        },
        nullptr);
    EXPECT_EQ(atInit.Run(1234), 77);
    atInit.Send(msg::Command, MakeWParam(IdOk, 0), 0);
    EXPECT_EQ(seen, std::vector<unsigned>{msg::InitDialog});

    QtDialog modal(
        t,
        [](DialogHost& dlg, unsigned m, WParam w, LParam) -> LParam {
            if (m == msg::Command && LowWord(w) == IdOk) {
                dlg.EndDialog(5);
                dlg.EndDialog(6); // the first result counts
            }
            return 0;
        },
        nullptr);
    WhenModal([](QWidget* w) {
        QTest::mouseClick(static_cast<QtDialog*>(w)->ItemWidget(IdOk), Qt::LeftButton);
    });
    EXPECT_EQ(modal.Run(0), 5);
}

// --- The classic scroll bar ------------------------------------------------------------------

struct BarProbe {
    std::vector<std::pair<unsigned, int>> log;
    std::function<void(ClassicScrollBar&, unsigned, int)> react;
    ClassicScrollBar* bar = nullptr;
    QWidget window;
    BarProbe() {
        window.resize(200, 20);
        bar = new ClassicScrollBar(Qt::Horizontal, &window, [this](unsigned code, int pos) {
            log.emplace_back(code, pos);
            if (react) {
                react(*bar, code, pos);
            }
        });
        bar->setGeometry(0, 0, 200, 16);
        bar->SetClassicRange(0, 100);
        bar->SetClassicPos(50);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    std::vector<unsigned> Codes() const {
        std::vector<unsigned> codes;
        for (const auto& [code, pos] : log) {
            codes.push_back(code);
        }
        return codes;
    }
};

TEST(ClassicScrollBar, ArrowsAndPagesOnlyRequestAndTheOwnerMovesTheBar) {
    BarProbe p;
    const QRect thumb = p.bar->ThumbRect();
    QTest::mouseClick(p.bar, Qt::LeftButton, {}, QPoint(195, 8)); // right arrow
    QTest::mouseClick(p.bar, Qt::LeftButton, {}, QPoint(4, 8));   // left arrow
    QTest::mouseClick(p.bar, Qt::LeftButton, {}, QPoint(thumb.right() + 10, 8));
    EXPECT_EQ(p.Codes(), (std::vector<unsigned>{sb::LineDown, sb::EndScroll, sb::LineUp,
                                                sb::EndScroll, sb::PageDown, sb::EndScroll}));
    EXPECT_EQ(p.bar->ClassicPos(), 50);
    EXPECT_EQ(p.bar->value(), 50);
    EXPECT_EQ(p.bar->ThumbRect(), thumb);

    p.react = [](ClassicScrollBar& bar, unsigned code, int) {
        if (code == sb::PageDown) {
            bar.SetClassicPos(bar.ClassicPos() + 10);
        }
    };
    QTest::mouseClick(p.bar, Qt::LeftButton, {}, QPoint(thumb.right() + 10, 8));
    EXPECT_EQ(p.bar->ClassicPos(), 60);
    EXPECT_EQ(p.bar->value(), 60);
}

TEST(ClassicScrollBar, TheDraggedThumbReportsItsPlaceAndFallsBackUnlessTheOwnerTakesIt) {
    for (const bool ownerTakesIt : {false, true}) {
        BarProbe p;
        p.react = [ownerTakesIt](ClassicScrollBar& bar, unsigned code, int pos) {
            if (ownerTakesIt && code == sb::ThumbPosition) {
                bar.SetClassicPos(pos);
            }
        };
        const QPoint grip = p.bar->ThumbRect().center();
        QTest::mousePress(p.bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(p.bar, grip + QPoint(20, 0));
        QTest::mouseMove(p.bar, grip + QPoint(40, 0));
        QTest::mouseRelease(p.bar, Qt::LeftButton, {}, grip + QPoint(40, 0));
        const auto codes = p.Codes();
        ASSERT_GE(codes.size(), 3u);
        EXPECT_EQ(codes.front(), sb::ThumbTrack);
        EXPECT_EQ(codes[codes.size() - 2], sb::ThumbPosition);
        EXPECT_EQ(codes.back(), sb::EndScroll);
        const int dropped = p.log[p.log.size() - 2].second;
        EXPECT_GT(dropped, 55);
        EXPECT_EQ(p.bar->ClassicPos(), ownerTakesIt ? dropped : 50);
        EXPECT_EQ(p.bar->value(), p.bar->ClassicPos());
    }
}

TEST(ClassicScrollBar, PositionStaysInsideTheRangeGivenInEitherOrder) {
    BarProbe p;
    p.bar->SetClassicRange(20, 10);
    int low = 0, high = 0;
    p.bar->GetClassicRange(&low, &high);
    EXPECT_EQ(std::tie(low, high), std::make_tuple(20, 10));
    EXPECT_EQ(p.bar->ClassicPos(), 20);
    p.bar->SetClassicPos(-5);
    EXPECT_EQ(p.bar->ClassicPos(), 10);
    EXPECT_TRUE(p.log.empty());
}

// --- The editor's own dialogs on the real host ----------------------------------------------

// Keeps a picture of a dialog beside the other test artifacts, for a person to look at.
void SaveArtifact(QWidget* w, const std::string& name) {
    const char* fromEnvironment = std::getenv("WT_ARTIFACT_DIR");
    const std::string folder = fromEnvironment ? fromEnvironment : WT_ARTIFACT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(w->grab().save(QString::fromStdString(folder + "/" + name)));
}

struct HostedEditor : qttest::DesktopEditor {
    HostedEditor() {
        host.mainWindowProc = [this](unsigned m, WParam w, LParam l) {
            return MainWndProc(app, m, w, l);
        };
    }
};

TEST(EditorDialogs, NewDialogReactsToRadioClicksAndOk) {
    HostedEditor e;
    SoundFormat format = e.app.doc.format;
    WhenModal([](QWidget* w) {
        auto* dialog = static_cast<QtDialog*>(w);
        EXPECT_EQ(dialog->windowTitle().toStdString(), "新規作成");
        SaveArtifact(dialog, "new-dialog.png");
        EXPECT_EQ(dialog->IsButtonChecked(kIdRate22050), Checked);
        for (int id : {kIdRate48000, kIdBits16, kIdStereo}) {
            QTest::mouseClick(dialog->ItemWidget(id), Qt::LeftButton);
        }
        EXPECT_EQ(dialog->IsButtonChecked(kIdRate22050), Unchecked);
        EXPECT_EQ(dialog->IsButtonChecked(kIdMono), Unchecked);
        QTest::mouseClick(dialog->ItemWidget(IdOk), Qt::LeftButton);
    });
    ASSERT_EQ(RunNewDialog(e.app, kDialogNew, format), 1);
    EXPECT_EQ(format.sampleRate, 48000u);
    EXPECT_EQ(format.bitsPerSample, 16u);
    EXPECT_EQ(format.channels, 2u);
    EXPECT_EQ(format.blockAlign, 4u);

    SoundFormat untouched = e.app.doc.format;
    WhenModal([](QWidget* w) {
        auto* dialog = static_cast<QtDialog*>(w);
        QTest::mouseClick(dialog->ItemWidget(kIdRate8000), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(RunNewDialog(e.app, kDialogNew, untouched), 0);
    EXPECT_EQ(untouched.sampleRate, 22050u);
}

TEST(EditorDialogs, AboutBoxOpensAndClosesWithOkOrTheCloseButton) {
    HostedEditor e;
    for (const bool viaCloseButton : {false, true}) {
        bool sawText = false;
        WhenModal([&](QWidget* w) {
            auto* dialog = static_cast<QtDialog*>(w);
            EXPECT_EQ(dialog->windowTitle().toStdString(), "バージョン情報...");
            SaveArtifact(dialog, "about-box.png");
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                sawText = sawText || label->text() == QStringLiteral("WaveTomuka Version 0.98");
            }
            if (viaCloseButton) {
                dialog->close();
            } else {
                QTest::mouseClick(dialog->ItemWidget(IdOk), Qt::LeftButton);
            }
        });
        EXPECT_EQ(CmdAbout(e.app), 1);
        EXPECT_TRUE(sawText);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_EQ(e.host.DialogBox(4242, Owner::MainWindow, nullptr, 0), -1);
}

} // namespace
} // namespace wt
