// The editor's main window on the real desktop host: menus, accelerators, toolbar, status bar,
// caption, layout, the waveform window's input and picture, timers, closing, and the desktop
// services (message boxes, file dialogs, clipboard, processes).
#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtHost.h"
#include "hosts/qt/QtMainWindow.h"
#include "hosts/qt/QtMenuBar.h"
#include "hosts/scripted/FakeWaveDevices.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/Menus.h"
#include "editor/Settings.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace wt {
namespace {

using qttest::Settle;
using qttest::WhenModal;

struct Message {
    unsigned message;
    WParam wParam;
    LParam lParam;
};

// The editor started as wtomuka starts it, with both window procedures spied on.
struct Editor : qttest::DesktopEditor {
    std::vector<Message> mainLog, waveLog;

    // `iniText`: the settings file's contents at start-up.
    explicit Editor(const std::string& iniText = "") : DesktopEditor(iniText) {
        EXPECT_TRUE(OpenMainWindow(host, app, ""));
        auto main = host.mainWindowProc;
        host.mainWindowProc = [this, main](unsigned m, WParam w, LParam l) {
            mainLog.push_back({m, w, l});
            return main(m, w, l);
        };
        auto wave = host.waveWindowProc;
        host.waveWindowProc = [this, wave](unsigned m, WParam w, LParam l, Canvas* c) {
            waveLog.push_back({m, w, l});
            return wave(m, w, l, c);
        };
        host.Frame()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.Frame()));
        Settle();
    }
    bool MainGot(unsigned m, WParam w) const {
        return std::any_of(mainLog.begin(), mainLog.end(),
                           [&](const Message& x) { return x.message == m && x.wParam == w; });
    }
    QMenu* Popup(int index) const { return host.MenuBar()->actions().at(index)->menu(); }
    QAction* ItemAction(int popup, const QString& text) const {
        for (QAction* a : Popup(popup)->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    }
};

TEST(MainWindow, MenuBarShowsTheMenuModelWithItsTextsSeparatorsAndChecks) {
    Editor e;
    const QList<QAction*> titles = e.host.MenuBar()->actions();
    const std::vector<std::string> expected = {"ﾌｧｲﾙ(&F)", "編集(&E)", "効果(&T)", "作成(&C)",
                                               "表示(&D)", "設定(&O)", "ﾍﾙﾌﾟ(&H)"};
    ASSERT_EQ(titles.size(), 7);
    const Menu model = LoadMenu1();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(titles[i]->text().toStdString(), expected[static_cast<std::size_t>(i)]);
        const QList<QAction*> items = titles[i]->menu()->actions();
        const auto& children = model.popups[static_cast<std::size_t>(i)].children;
        ASSERT_EQ(items.size(), static_cast<qsizetype>(children.size())) << expected[i];
        for (std::size_t k = 0; k < children.size(); ++k) {
            EXPECT_EQ(items[static_cast<qsizetype>(k)]->isSeparator(), children[k].separator);
            EXPECT_EQ(items[static_cast<qsizetype>(k)]->text().toStdString(), children[k].text);
        }
    }
    EXPECT_EQ(e.Popup(0)->actions().at(2)->text().toStdString(), "新規作成(&N)...\tCtrl+N");
    EXPECT_TRUE(e.Popup(0)->actions().at(1)->isSeparator());
    // Start-up applied zoom 1/256 and the waveform view: only those View items carry a mark.
    for (QAction* a : e.Popup(kViewPopupIndex)->actions()) {
        EXPECT_EQ(a->isChecked(),
                  a->text() == QStringLiteral("1/256") || a->text() == QStringLiteral("波形(&W)"))
            << a->text().toStdString();
    }
}

TEST(MainWindow, MenuCommandsArriveOnceTheMenuHasClosedAndCheckMarksFollow) {
    Editor e;
    const int rebuilds = e.host.MenuView()->Rebuilds();
    e.ItemAction(kViewPopupIndex, QStringLiteral("1/64"))->trigger();
    EXPECT_FALSE(e.MainGot(msg::Command, MakeWParam(IDM_ZOOM_1_64, 0)));
    Settle();
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_ZOOM_1_64, NotifyMenu)));
    EXPECT_EQ(e.app.doc.zoomIndex, 2);
    EXPECT_TRUE(e.ItemAction(kViewPopupIndex, QStringLiteral("1/64"))->isChecked());
    EXPECT_FALSE(e.ItemAction(kViewPopupIndex, QStringLiteral("1/256"))->isChecked());
    // A check mark is a property change, not a rebuild of the bar or the popup.
    EXPECT_EQ(e.host.MenuView()->Rebuilds(), rebuilds);
}

// Going to the busy menu and back (every effect) or to the grayed one (every playback) shows
// the widgets built the first time, brought up to date with what changed meanwhile.
TEST(MainWindow, MenuSwitchesReuseTheirWidgetsAndShowTheModelAsItIsNow) {
    Editor e;
    Menus& menus = e.app.menus;
    e.host.SetMenu(&menus.busy);
    e.host.SetMenu(&menus.normal);
    const int rebuilds = e.host.MenuView()->Rebuilds();
    e.host.SetMenu(&menus.busy);
    ASSERT_EQ(e.host.MenuBar()->actions().size(), static_cast<qsizetype>(menus.busy.popups.size()));
    EXPECT_EQ(e.host.MenuBar()->actions().at(0)->text().toStdString(), menus.busy.popups[0].text);
    // The normal menu's marks change while the busy one shows.
    CheckMenuItem(menus.normal, IDM_ZOOM_1_256, false);
    CheckMenuItem(menus.normal, IDM_ZOOM_1_64, true);
    e.host.SetMenu(&menus.normal);
    ASSERT_EQ(e.host.MenuBar()->actions().size(),
              static_cast<qsizetype>(menus.normal.popups.size()));
    EXPECT_TRUE(e.ItemAction(kViewPopupIndex, QStringLiteral("1/64"))->isChecked());
    EXPECT_FALSE(e.ItemAction(kViewPopupIndex, QStringLiteral("1/256"))->isChecked());
    EXPECT_EQ(e.host.MenuView()->Rebuilds(), rebuilds);
}

TEST(MainWindow, FileMenuShowsTheRecentFilesWhenItOpens) {
    Editor e;
    AddRecentFile(e.app.profile, "/tmp/a.wav");
    AddRecentFile(e.app.profile, "/tmp/b 2.wav");
    QMenu* file = e.Popup(kFilePopupIndex);
    const qsizetype before = file->actions().size();
    file->popup(e.host.Frame()->mapToGlobal(QPoint(0, 0)));
    Settle();
    EXPECT_TRUE(e.MainGot(msg::InitMenu, 0));
    const QList<QAction*> items = file->actions();
    ASSERT_EQ(items.size(), before + 2);
    EXPECT_EQ(items[before]->text().toStdString(), "1:/tmp/b 2.wav");
    EXPECT_EQ(items[before + 1]->text().toStdString(), "2:/tmp/a.wav");
    file->hide();
    Settle();
    // Choosing an entry sends its command; the file is missing, which a message box says.
    e.mainLog.clear();
    std::string shown;
    WhenModal([&shown](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text().toStdString();
        box->accept();
    });
    items[before + 1]->trigger();
    Settle();
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_RECENT1 + 1, NotifyMenu)));
    EXPECT_EQ(shown, "ファイルを開けません");
}

TEST(MainWindow, StoredSizesNoScreenShowsGiveAUsableWindow) {
    for (const char* stored : {"-99999999999", "999999999"}) {
        Editor e(std::string("[Position]\nwidth=") + stored + "\nheight=" + stored + "\n");
        const QSize size = e.host.Frame()->frameGeometry().size();
        EXPECT_GE(size.width(), 100) << stored;
        EXPECT_LE(size.width(), 16384 + 64) << stored;
        EXPECT_GE(size.height(), 100) << stored;
        EXPECT_LE(size.height(), 16384 + 64) << stored;
        QTest::keyClick(e.host.Frame(), Qt::Key_Z, Qt::ControlModifier);
    }
}

TEST(MainWindow, AcceleratorsSendCommandsAndTwoControlKeysSendCharacters) {
    Editor e;
    // The first undo snapshot holds the empty 22050 Hz document; undo brings it back.
    e.app.doc.format.sampleRate = 44100;
    QTest::keyClick(e.host.Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_UNDO, NotifyAccelerator)));
    EXPECT_EQ(e.app.doc.format.sampleRate, 22050u);
    // Delete with nothing selected says so in a message box.
    std::string said;
    WhenModal([&said](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        said = box->text().toStdString();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::keyClick(e.host.Frame(), Qt::Key_Delete);
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_DELETE, NotifyAccelerator)));
    EXPECT_EQ(said, "範囲が選択されていません");
    e.host.Frame()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(e.host.Frame()));
    QTest::keyClick(e.host.Frame(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(e.host.Frame(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(e.MainGot(msg::Char, 6));
    EXPECT_TRUE(e.MainGot(msg::Char, 20));
    EXPECT_FALSE(e.MainGot(msg::Command, MakeWParam(IDM_UNDO, NotifyMenu)));
}

TEST(MainWindow, StatusBarCaptionAndToolbarAfterStartUp) {
    Editor e;
    EXPECT_EQ(e.host.Frame()->windowTitle().toStdString(), "WaveTomuka -[無題]");
    StatusBarWidget* status = e.host.StatusBarWidgetPtr();
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(status->PartCount(), 4);
    EXPECT_EQ(status->Part(0)->text().toStdString(), "22050Hz 8Bits Mono");
    EXPECT_EQ(status->Part(1)->text().toStdString(), "0 Bytes");
    EXPECT_EQ(e.host.StatusText(1), "0 Bytes");
    EXPECT_LE(status->Part(0)->geometry().right(), 150);
    EXPECT_GE(status->Part(1)->geometry().left(), 150);
    EXPECT_LE(status->Part(1)->geometry().right(), 250);
    EXPECT_EQ(status->Part(3)->geometry().left(), 500);

    QToolBar* toolbar = e.host.Toolbar();
    ASSERT_NE(toolbar, nullptr);
    const QList<QAction*> entries = toolbar->actions();
    ASSERT_EQ(entries.size(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(entries[i]->isSeparator(), i == 0 || i == 6) << i;
        EXPECT_TRUE(entries[i]->isEnabled());
    }
    EXPECT_EQ(entries[1]->icon().availableSizes().value(0), QSize(16, 15));
    QTest::mouseClick(toolbar->widgetForAction(entries[7]), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_ZOOM_IN, NotifyMenu)));
    EXPECT_EQ(e.app.doc.zoomIndex, 2);
}

// What a new user reads must be whole and in Japanese: each status-bar part widens to show its
// longest text (the largest byte count) in full, and Qt's own dialogs speak Japanese.
TEST(MainWindow, StatusBarTextsAreWholeAndQtsOwnDialogsAreJapanese) {
    Editor e;
    StatusBarWidget* status = e.host.StatusBarWidgetPtr();
    ASSERT_NE(status, nullptr);
    const std::pair<int, const char*> texts[] = {
        {1, "105840000 Bytes"},
        {1, "2147483647 Bytes"},
        {0, "44100Hz 16Bits Stereo"},
        {2, "Sel :12345.678-23456.789(Sec)"},
    };
    for (const auto& [part, text] : texts) {
        e.host.SetStatusText(part, text);
        Settle();
        const QLabel* label = status->Part(part);
        EXPECT_EQ(label->text().toStdString(), text);
        EXPECT_GE(label->contentsRect().width() - label->indent(),
                  label->fontMetrics().horizontalAdvance(QString::fromUtf8(text)))
            << text;
        for (int i = 0; i + 1 < status->PartCount(); ++i) {
            EXPECT_LT(status->Part(i)->geometry().right(), status->Part(i + 1)->geometry().left())
                << text;
        }
    }

    struct Uninstall {
        QTranslator* translator;
        ~Uninstall() {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    } installed{InstallQtTranslations(*qApp)};
    ASSERT_NE(installed.translator, nullptr) << "qtbase_ja.qm is missing";
    QStringList buttons;
    WhenModal([&](QWidget* w) {
        for (const QPushButton* b : w->findChildren<QPushButton*>()) {
            buttons << b->text();
        }
        static_cast<QDialog*>(w)->reject();
    });
    FileDialogRequest request;
    EXPECT_FALSE(e.host.GetOpenFileName(request));
    EXPECT_TRUE(buttons.contains(QStringLiteral("キャンセル"))) << buttons.join('|').toStdString();
    EXPECT_FALSE(buttons.contains(QStringLiteral("Cancel"))) << buttons.join('|').toStdString();
}

TEST(MainWindow, ResizingPlacesTheWaveformWindowBetweenToolbarAndStatusBar) {
    Editor e;
    for (const QSize size : {QSize(640, 360), QSize(300, 60)}) {
        e.mainLog.clear();
        e.host.Frame()->resize(size);
        Settle();
        QWidget* client = e.host.Client();
        EXPECT_TRUE(e.MainGot(msg::Size, SizeRestored));
        const int top = e.host.ToolbarHeight();
        const int height = std::max(0, client->height() - e.host.StatusBarHeight() - top);
        EXPECT_EQ(e.host.WaveWindow()->geometry(), QRect(0, top, client->width(), height));
        EXPECT_EQ(e.host.WaveClientWidth(), std::max(0, client->width() - 4));
        EXPECT_EQ(e.host.WaveClientHeight(), std::max(0, height - 4 - 16));
        EXPECT_EQ(e.host.StatusBarWidgetPtr()->geometry().bottom(), client->height() - 1);
    }
}

TEST(MainWindow, WaveformWindowGetsTheMouseAndItsScrollBarAsAClassicWindowDoes) {
    Editor e;
    e.host.Frame()->resize(640, 360);
    Settle();
    WaveArea* area = e.host.WaveDrawingArea();
    e.waveLog.clear();
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(100, 20));
    QTest::mouseMove(area, QPoint(-5, 20)); // outside, not captured: not seen
    e.host.CaptureMouse();
    QTest::mouseMove(area, QPoint(-6, 21));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(-6, 21));
    e.host.ReleaseMouse();
    ASSERT_EQ(e.waveLog.size(), 3u);
    EXPECT_EQ(e.waveLog[0].message, msg::LButtonDown);
    EXPECT_EQ(e.waveLog[0].lParam, MakeLParam(100, 20));
    EXPECT_TRUE(e.waveLog[0].wParam & msg::MkLButton);
    EXPECT_EQ(e.waveLog[1].message, msg::MouseMove);
    EXPECT_EQ(PointX(e.waveLog[1].lParam), -6);
    EXPECT_EQ(e.waveLog[2].message, msg::LButtonUp);

    e.waveLog.clear();
    ClassicScrollBar* bar = e.host.WaveScrollBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));
    ASSERT_FALSE(e.waveLog.empty());
    EXPECT_EQ(e.waveLog[0].message, msg::HScroll);
    EXPECT_EQ(LowWord(e.waveLog[0].wParam), sb::LineDown);
    EXPECT_EQ(e.waveLog[0].lParam, 0);
    e.host.SetWaveScrollRange(0, 100, true);
    e.host.SetWaveScrollPos(40, true);
    EXPECT_EQ(bar->value(), 40);
    EXPECT_EQ(e.host.WaveScrollPos(), 40);
}

TEST(MainWindow, WaveformPictureShowsPaintsDrawingOutsidePaintAndScrolls) {
    Editor e;
    e.host.Frame()->resize(640, 360);
    Settle();
    QColor paintColour(0, 0, 200);
    e.host.waveWindowProc = [&paintColour](unsigned m, WParam, LParam, Canvas* canvas) -> LParam {
        if (m == msg::Paint) {
            canvas->FillRect({0, 0, canvas->Width(), canvas->Height()},
                             {static_cast<std::uint8_t>(paintColour.red()),
                              static_cast<std::uint8_t>(paintColour.green()),
                              static_cast<std::uint8_t>(paintColour.blue())});
        }
        return 0;
    };
    WaveArea* area = e.host.WaveDrawingArea();
    e.host.InvalidateWave(true);
    const int w = area->width();
    EXPECT_EQ(area->Picture().pixelColor(w / 2, 10), paintColour);

    Canvas* canvas = e.host.WaveCanvas();
    ASSERT_NE(canvas, nullptr);
    canvas->FillRect({30, 5, 40, 15}, {255, 0, 0});
    Settle();
    EXPECT_EQ(area->grab().toImage().pixelColor(35, 10), QColor(255, 0, 0));

    // Shift left by 10 inside x >= 20: the red square moves, only the strip is painted again.
    paintColour = QColor(0, 150, 0);
    e.host.ScrollWave(-10, {20, 0, w, area->height()});
    const QImage picture = area->Picture();
    EXPECT_EQ(picture.pixelColor(25, 10), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(35, 10), QColor(0, 0, 200));
    EXPECT_EQ(picture.pixelColor(w - 11, 10), QColor(0, 0, 200));
    EXPECT_EQ(picture.pixelColor(w - 10, 10), QColor(0, 150, 0));
    EXPECT_EQ(picture.pixelColor(w - 1, 10), QColor(0, 150, 0));
    Settle();
    EXPECT_EQ(area->grab().toImage().pixelColor(w - 5, 10), QColor(0, 150, 0));
}

TEST(MainWindow, TimersDeliverTheirIdUntilKilled) {
    Editor e;
    e.host.SetTimer(7, 10);
    QTest::qWait(120);
    EXPECT_TRUE(e.MainGot(msg::Timer, 7));
    e.host.KillTimer(7);
    e.mainLog.clear();
    QTest::qWait(60);
    EXPECT_FALSE(e.MainGot(msg::Timer, 7));
}

TEST(MainWindow, CloseButtonAsksTheCoreWhichDestroysTheWindowOnlyWhenAllowed) {
    Editor e;
    e.app.doc.modified = true;
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == QStringLiteral("キャンセル")) {
                QTest::mouseClick(b, Qt::LeftButton);
            }
        }
    });
    e.host.Frame()->close();
    EXPECT_TRUE(e.MainGot(msg::Close, 0));
    EXPECT_FALSE(e.host.Destroyed());
    EXPECT_TRUE(e.host.Frame()->isVisible());

    e.app.doc.modified = false;
    e.host.Frame()->close();
    EXPECT_TRUE(e.host.Destroyed());
    EXPECT_TRUE(e.MainGot(msg::Destroy, 0));
    EXPECT_FALSE(e.host.Frame()->isVisible());
    // The size was stored on the way out.
    EXPECT_FALSE(e.app.profile.GetString(kSectionPosition, "width", "").empty());
}

TEST(MainWindow, ClosingEndsTheEventLoopWithCodeZero) {
    Editor e;
    QTimer::singleShot(0, e.host.Frame(), [&e] { e.host.Frame()->close(); });
    EXPECT_EQ(e.host.Exec(), 0);
    EXPECT_TRUE(e.host.Destroyed());
    // Later modal loops still run (the quit request is not left behind).
    QtHost other;
    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(other.MessageBox(Owner::MainWindow, "x", "y", mb::OkCancel), IdCancel);
}

TEST(MainWindow, DroppedFilesReachTheCoreInOrderAfterTheDrop) {
    Editor e;
    std::vector<std::string> dropped;
    e.host.onDropFiles = [&](const std::vector<std::string>& paths) { dropped = paths; };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/one.wav"), QUrl("https://example.invalid/x.wav"),
                  QUrl::fromLocalFile("/tmp/two 2.au")});
    // Qt delivers a drop only to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.host.Frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.host.Frame(), &drop);
    EXPECT_TRUE(dropped.empty());
    Settle();
    EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/one.wav", "/tmp/two 2.au"}));
}

struct BoxCase {
    unsigned flags;
    const char* press; // a button text, or "Escape"
    int expected;
    std::vector<const char*> buttons;
    QMessageBox::Icon icon;
};

TEST(DesktopServices, MessageBoxesHaveTheClassicButtonsAndAnswers) {
    Editor e;
    const std::vector<BoxCase> cases = {
        {mb::Ok | mb::IconInformation, "Escape", IdOk, {"OK"}, QMessageBox::Information},
        {mb::OkCancel | mb::IconWarning,
         "キャンセル",
         IdCancel,
         {"OK", "キャンセル"},
         QMessageBox::Warning},
        {mb::YesNoCancel | mb::IconQuestion,
         "いいえ",
         IdNo,
         {"はい", "いいえ", "キャンセル"},
         QMessageBox::Question},
        {mb::YesNoCancel | mb::IconQuestion,
         "Escape",
         IdCancel,
         {"はい", "いいえ", "キャンセル"},
         QMessageBox::Question},
        {mb::YesNo | mb::IconError, "はい", IdYes, {"はい", "いいえ"}, QMessageBox::Critical},
    };
    for (const BoxCase& c : cases) {
        WhenModal([&c](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle().toStdString(), "見出し");
            EXPECT_EQ(box->text().toStdString(), "本文\n二行目");
            EXPECT_EQ(box->icon(), c.icon);
            std::vector<std::pair<int, std::string>> shown;
            for (QAbstractButton* b : box->buttons()) {
                shown.emplace_back(b->x(), b->text().toStdString());
            }
            std::sort(shown.begin(), shown.end());
            ASSERT_EQ(shown.size(), c.buttons.size());
            for (std::size_t i = 0; i < shown.size(); ++i) {
                EXPECT_EQ(shown[i].second, c.buttons[i]); // left to right
            }
            if (std::string(c.press) == "Escape") {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text().toStdString() == c.press) {
                    QTest::mouseClick(b, Qt::LeftButton);
                }
            }
        });
        EXPECT_EQ(e.host.MessageBox(Owner::MainWindow, "本文\n二行目", "見出し", c.flags),
                  c.expected)
            << c.press;
    }
}

TEST(DesktopServices, SaveDialogOffersTheFiltersAndReportsTheChoice) {
    Editor e;
    const std::string folder = e.dir.File("");
    FileDialogRequest request;
    request.filters = {{"WAVE Format (*.wav)", "*.wav"},
                       {"AU (ulaw) Format (*.au)", "*.au"},
                       {"AIFF Format (*.aiff)", "*.aif;*.aiff"},
                       {"ALL (*.*)", "*.*"}};
    request.filterIndex = 2;
    request.initialDir = folder;
    request.path = "Noname.wav";
    request.overwritePrompt = true;
    const std::string chosen = e.dir.File("out.aiff");
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters(),
                  (QStringList{"WAVE Format (*.wav)", "AU (ulaw) Format (*.au)",
                               "AIFF Format (*.aif *.aiff)", "ALL (*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("AU (ulaw) Format (*.au)"));
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
                  QDir(QString::fromStdString(folder)).canonicalPath());
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->selectNameFilter(dialog->nameFilters().at(2));
        dialog->selectFile(QString::fromStdString(chosen));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(e.host.GetSaveFileName(request));
    EXPECT_EQ(std::filesystem::path(request.path).filename(), "out.aiff");
    EXPECT_EQ(request.filterIndex, 3);

    WhenModal([](QWidget* w) { static_cast<QFileDialog*>(w)->reject(); });
    FileDialogRequest cancelled;
    EXPECT_FALSE(e.host.GetOpenFileName(cancelled));
}

TEST(DesktopServices, ClipboardProcessesAndThePump) {
    Editor e;
    const std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    ASSERT_TRUE(e.host.SetClipboardWave(riff));
    EXPECT_TRUE(e.host.ClipboardHasWave());
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(e.host.GetClipboardWave(back));
    EXPECT_EQ(back, riff);
    QGuiApplication::clipboard()->setText(QStringLiteral("text only"));
    EXPECT_FALSE(e.host.ClipboardHasWave());
    EXPECT_FALSE(e.host.GetClipboardWave(back));

    EXPECT_EQ(e.host.StartProcess(e.dir.File("no-such-program"), {}), 2);
    const std::string plain = e.dir.File("plain.txt");
    std::ofstream(plain) << "not a program\n";
    EXPECT_EQ(e.host.StartProcess(plain, {}), 11);
    EXPECT_GE(e.host.StartProcess("/bin/true", {}), 32);
    EXPECT_FALSE(e.host.OpenHelp(e.dir.File("missing.html")));

    bool ran = false;
    QMetaObject::invokeMethod(
        e.host.Frame(), [&ran] { ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(e.host.PumpOneMessage());
    EXPECT_TRUE(ran);
    EXPECT_FALSE(e.host.ModulePath().empty());
}

struct ArgsCase {
    std::vector<std::string> args;
    bool ok;
    std::string ini, tail;
};

TEST(DesktopArguments, IniOptionAndTheCommandTailTakenWhole) {
    const std::vector<ArgsCase> cases = {
        {{}, true, "", ""},
        {{"a.wav"}, true, "", "a.wav"},
        {{"\"my", "song.wav\""}, true, "", "\"my song.wav\""},
        {{"--ini", "/tmp/x.ini", "b.wav"}, true, "/tmp/x.ini", "b.wav"},
        {{"--", "--ini"}, true, "", "--ini"},
        {{"c.wav", "--ini", "y"}, true, "", "c.wav --ini y"},
        {{"--ini"}, false, "", ""},
    };
    for (const ArgsCase& c : cases) {
        DesktopOptions options;
        std::string error;
        EXPECT_EQ(ParseDesktopArguments(c.args, options, error), c.ok) << c.tail;
        if (c.ok) {
            EXPECT_EQ(options.iniPath, c.ini);
            EXPECT_EQ(options.commandTail, c.tail);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(MainWindow, ScreenshotOfTheStartedEditor) {
    Editor e;
    Settle();
    const QImage shot = e.host.Frame()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 300);
    const char* fromEnvironment = std::getenv("WT_ARTIFACT_DIR");
    const std::string folder = fromEnvironment ? fromEnvironment : WT_ARTIFACT_DIR;
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/main-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path)));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

// Home, End and Space reach the main window as key presses: the cursor goes to the ends, and
// Space plays through the devices and stops them again.
TEST(MainWindow, HomeEndAndSpaceKeys) {
    FakeWaveDevices devices; // outlives the editor, which closes it when it goes
    Editor e;
    e.host.UseDevices(&devices);
    SoundDocument& doc = e.app.doc;
    ASSERT_TRUE(doc.sampleData.Resize(1016));
    doc.byteLength = 1000;
    const struct {
        Qt::Key key;
        WParam code;
        std::int32_t cursor;
        bool playing;
    } cases[] = {{Qt::Key_End, vk::End, 1000, false},
                 {Qt::Key_Home, vk::Home, 0, false},
                 {Qt::Key_Space, vk::Space, 0, true},
                 {Qt::Key_Space, vk::Space, 0, false}};
    for (const auto& c : cases) {
        QTest::keyClick(e.host.Frame(), c.key);
        Settle();
        EXPECT_TRUE(e.MainGot(msg::KeyDown, c.code)) << c.key;
        EXPECT_EQ(doc.cursor, c.cursor) << c.key;
        EXPECT_EQ(devices.playing, c.playing) << c.key;
    }
    EXPECT_EQ(devices.outputOpenCalls, 1);
    EXPECT_FALSE(e.app.busy) << "the stop's report ended playback";
}

// The wheel over the waveform scrolls (24 columns a notch, up towards the start), with Ctrl
// it zooms around the pointer, and Ctrl+0 fits the whole sound past the widest step.
TEST(MainWindow, WheelScrollsCtrlWheelZoomsAndCtrlZeroFits) {
    Editor e;
    SoundDocument& doc = e.app.doc; // 8-bit mono: a byte a frame
    ASSERT_TRUE(doc.sampleData.Resize(2000016));
    doc.byteLength = 2000000;
    ASSERT_EQ(doc.framesPerPixel, 256);
    QWidget* area = e.host.WaveDrawingArea();
    const struct {
        int delta;
        Qt::KeyboardModifiers keys;
        std::int32_t viewStart, framesPerPixel;
    } cases[] = {
        {-120, Qt::NoModifier, 24 * 256, 256},
        {120, Qt::ControlModifier, 6144 + 100 * 256 - 100 * 64, 64}, // column 100 stays
        {120, Qt::NoModifier, 25344 - 24 * 64, 64},
    };
    for (const auto& c : cases) {
        QWheelEvent wheel(QPointF(148, 50), area->mapToGlobal(QPointF(148, 50)), QPoint(),
                          QPoint(0, c.delta), Qt::NoButton, c.keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &wheel);
        EXPECT_EQ(doc.viewStart, c.viewStart) << c.delta;
        EXPECT_EQ(doc.framesPerPixel, c.framesPerPixel) << c.delta;
    }
    QTest::keyClick(e.host.Frame(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(e.MainGot(msg::Command, MakeWParam(IDM_ZOOM_FIT, NotifyAccelerator)));
    EXPECT_DOUBLE_EQ(FramesPerColumn(e.app) * GetWaveLayout(e.app).area.Width(), 2000000.0);
    EXPECT_EQ(doc.viewStart, 0);
}

// While a long effect runs, what is posted to the window gets through within 50 ms: a timer's
// ticks, a repaint and the stop command. The progress text is in the status bar by the time
// the first of them is handled. Times are the window thread's own processor time: what the
// editor spends before it lets an event through, not the time the machine, busy with other
// tests, keeps the thread waiting for a processor.
TEST(MainWindow, EventsGetThroughALongEffectWithin50Ms) {
    const auto now = [] { // milliseconds
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    // Two minutes take a while under the sanitizers; an optimised build needs ten.
    for (const int seconds : {120, 600}) {
        Editor e;
        SoundDocument& doc = e.app.doc;
        doc.format = {1, 2, 44100, 176400, 4, 16, 0};
        doc.RecomputeBytesPerSample();
        doc.byteLength = 44100 * 4 * seconds;
        ASSERT_TRUE(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
        std::memset(doc.Data(), 0x11, static_cast<std::size_t>(doc.byteLength));

        std::vector<double> ticks;
        std::vector<std::string> textsAtTicks;
        double stopPosted = 0, stopHandled = 0, repaintAsked = 0, repainted = 0;
        auto main = e.host.mainWindowProc;
        e.host.mainWindowProc = [&, main](unsigned m, WParam w, LParam l) {
            if (m == msg::Command && LowWord(w) == IDM_STOP && stopHandled == 0.0) {
                stopHandled = now();
            }
            return main(m, w, l);
        };
        auto wave = e.host.waveWindowProc;
        e.host.waveWindowProc = [&, wave](unsigned m, WParam w, LParam l, Canvas* c) {
            if (m == msg::Paint && repaintAsked != 0.0 && repainted == 0.0) {
                repainted = now();
            }
            return wave(m, w, l, c);
        };
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!e.app.busy) {
                return;
            }
            ticks.push_back(now());
            textsAtTicks.push_back(e.host.StatusText(0));
            if (ticks.size() == 3) {
                stopPosted = now();
                e.host.PostCommand(IDM_STOP);
                repaintAsked = now();
                e.host.InvalidateWave(true); // as the editor asks for a repaint
            }
        });
        timer.start();
        QTest::qWait(30); // the last pump before the command lies well in the past
        const double start = now();
        ASSERT_EQ(DispatchCommand(e.app, IDM_FADE_IN), 1);
        const double end = now();
        timer.stop();

        ASSERT_FALSE(ticks.empty());
        EXPECT_EQ(textsAtTicks.front().rfind("フェードイン:", 0), 0u) << textsAtTicks.front();
        const auto ms = [](double from, double to) { return to - from; };
        if (ms(start, end) < 100.0) {
            continue; // too soon to tell: a longer sound
        }
        // From the first report on: before it the undo snapshot is copied, before the busy menu
        // is up and while a command could still start.
        ticks.push_back(end);
        double longestMs = 0;
        std::size_t longestAt = 0;
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            if (ms(ticks[i - 1], ticks[i]) > longestMs) {
                longestMs = ms(ticks[i - 1], ticks[i]);
                longestAt = i;
            }
        }
        EXPECT_LE(longestMs, 50.0) << "before tick " << longestAt << " of " << ticks.size() - 1
                                   << " in " << ms(start, end) << " ms";
        ASSERT_NE(stopHandled, 0.0);
        EXPECT_LE(ms(stopPosted, stopHandled), 50.0);
        ASSERT_NE(repainted, 0.0);
        EXPECT_LE(ms(repaintAsked, repainted), 50.0);
        return;
    }
    FAIL() << "the fade ended too soon to tell";
}

TEST(MainWindow, PlaybackGraysTheTransportUntilTheDeviceReportsItsEnd) {
    FakeWaveDevices devices; // outlives the editor, which closes it when it goes
    Editor e;
    e.host.UseDevices(&devices);
    SoundDocument& doc = e.app.doc;
    ASSERT_TRUE(doc.sampleData.Resize(1016));
    doc.byteLength = 1000;
    // Toolbar: separator, play, from cursor, loop, stop, record, separator, zoom in, zoom out.
    const QList<QAction*> buttons = e.host.Toolbar()->actions();
    ASSERT_EQ(buttons.size(), 9);
    auto enabled = [&] {
        std::vector<bool> v;
        for (int i : {1, 2, 3, 4, 5, 7}) {
            v.push_back(buttons[i]->isEnabled());
        }
        return v;
    };
    buttons[1]->trigger();
    Settle();
    ASSERT_TRUE(devices.playing);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, true, false, true}));
    EXPECT_FALSE(e.host.MenuBar()->actions().at(0)->isEnabled()) << "the grayed menu bar";
    // The device reports from its own thread in real life; the report is queued to the window.
    devices.FinishOutput();
    EXPECT_FALSE(e.MainGot(msg::WaveOutDone, e.app.audio.outputHandle)) << "not before the loop";
    const WParam handle = e.app.audio.outputHandle;
    Settle();
    EXPECT_TRUE(e.MainGot(msg::WaveOutDone, handle));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true, true}));
    EXPECT_TRUE(e.host.MenuBar()->actions().at(0)->isEnabled());
    EXPECT_FALSE(e.app.busy);
    EXPECT_FALSE(devices.outputOpen);
}

} // namespace
} // namespace wt
