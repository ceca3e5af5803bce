#include "TestApp.h"

#include "commands/file/FileCommands.h"
#include "commands/file/SoundFiles.h"
#include "editor/CommandIds.h"
#include "editor/Menus.h"
#include "resources/Dialogs.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

using namespace wt;

namespace {

// The File, Edit, ... popups as "text" rows, "-" for separators, ids alongside.
struct Row {
    int id;
    const char* text;
};

std::vector<Row> Rows(const MenuItem& popup) {
    std::vector<Row> rows;
    for (const auto& item : popup.children) {
        rows.push_back({item.separator ? 0 : item.id, item.separator ? "-" : item.text.c_str()});
    }
    return rows;
}

void ExpectRows(const MenuItem& popup, const std::vector<Row>& expected) {
    const auto rows = Rows(popup);
    ASSERT_EQ(rows.size(), expected.size()) << popup.text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].id, expected[i].id) << popup.text << " row " << i;
        EXPECT_STREQ(rows[i].text, expected[i].text) << popup.text << " row " << i;
    }
}

TEST(Menus, MainMenuMatchesTheCommandTable) {
    const Menu m = LoadMenu1();
    EXPECT_EQ(m.name, "MENU_1");
    ASSERT_EQ(m.popups.size(), 7u);
    const char* titles[] = {"ﾌｧｲﾙ(&F)", "編集(&E)", "効果(&T)", "作成(&C)",
                            "表示(&D)", "設定(&O)", "ﾍﾙﾌﾟ(&H)"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(m.popups[i].text, titles[i]);
    }
    ExpectRows(m.popups[0], {{55528, "新規ウィンドウ(&W)"},
                             {0, "-"},
                             {55527, "新規作成(&N)...\tCtrl+N"},
                             {55531, "開く(&O)...\tCtrl+O"},
                             {55539, "上書き保存(&S)\tCtrl+S"},
                             {55540, "名前をつけて保存(&A)..."},
                             {0, "-"},
                             {55519, "フォーマット変換(&F)..."},
                             {37839, "情報(&I)..."},
                             {0, "-"},
                             {55534, "再生(&P)"},
                             {55543, "カーソル位置から再生(&Q)"},
                             {37829, "ループ再生(&L)"},
                             {55544, "停止(&B)"},
                             {55536, "録音(&R)"},
                             {0, "-"},
                             {55535, "終了(&X)"},
                             {0, "-"}});
    ExpectRows(m.popups[1], {{55550, "元に戻す(&U)\tCtrl+Z"},
                             {0, "-"},
                             {55502, "切取り(&T)\tCtrl+X"},
                             {55501, "コピー(&C)\tCtrl+C"},
                             {55532, "貼り付け(&P)\tCtrl+V"},
                             {55503, "削除(&L)\tDel"},
                             {55548, "選択範囲以外を消去(&R)"},
                             {55526, "クリップボードとのミックス(&M)\tCtrl+M"},
                             {0, "-"},
                             {55541, "すべてを選択(&A)"}});
    ExpectRows(m.popups[2], {{37832, "ノイズ除去(&J)"},
                             {37826, "ＤＣ成分除去(&C)"},
                             {55630, "ノーマライズ(&Z)"},
                             {37835, "位相反転"},
                             {0, "-"},
                             {55542, "サイレント(&S)"},
                             {55516, "フェードイン(&I)"},
                             {55517, "フェードアウト(&O)"},
                             {55551, "音量(&L)..."},
                             {55547, "トレモロ(&T)..."},
                             {55514, "エンベロープ(&N)..."},
                             {37828, "パンエンベロープ(&A)..."},
                             {37831, "ノイズゲート(&A)..."},
                             {37830, "コンプレッサー(&M)..."},
                             {0, "-"},
                             {55513, "エコー(&E)..."},
                             {55537, "リバーブ(&B)..."},
                             {0, "-"},
                             {55533, "ピッチ(&P)..."},
                             {37827, "ピッチエンベロープ(&H)..."},
                             {37833, "ビブラート(&V)..."},
                             {37834, "タイムストレッチ..."},
                             {37836, "トランスポーズ..."},
                             {0, "-"},
                             {55538, "リバース(&R)"},
                             {55512, "ディストーション(&D)..."},
                             {55518, "フランジャー(&F)..."},
                             {55515, "イコライザー(&G)..."},
                             {37838, "パラメトリックイコライザ..."}});
    ExpectRows(m.popups[3], {{55520, "ホワイトノイズ(&N)..."},
                             {55522, "トーン(&T)..."},
                             {55521, "サイレント(&S)..."},
                             {55525, "メロディペースト(&M)..."}});
    ExpectRows(m.popups[kViewPopupIndex], {{55506, "1/1024"},
                                           {55508, "1/256"},
                                           {55510, "1/64"},
                                           {55507, "1/16"},
                                           {55509, "1/4"},
                                           {55505, "1/1"},
                                           {0, "-"},
                                           {55552, "ズームイン"},
                                           {55553, "ズームアウト"},
                                           {55560, "全体表示\tCtrl+0"},
                                           {0, "-"},
                                           {IDM_VIEW_WAVEFORM, "波形(&W)"},
                                           {IDM_VIEW_SPECTROGRAM, "スペクトログラム(&S)"},
                                           {IDM_VIEW_BOTH, "波形とスペクトログラム(&B)"},
                                           {0, "-"},
                                           {IDM_SPECTRUM_LOG, "周波数を対数で表示(&L)"}});
    ExpectRows(m.popups[5], {{55504, "デバイス(&P)..."}, {55511, "表示設定(&D)..."}});
    ExpectRows(m.popups[6], {{55523, "目次(&C)"}, {0, "-"}, {55500, "バージョン情報(&A)..."}});
}

TEST(Menus, BusyAndDeviceMenusHoldOnlyGrayedPlaceholders) {
    const Menu busy = LoadMenuBusy();
    ASSERT_EQ(busy.popups.size(), 1u);
    EXPECT_EQ(busy.popups[0].text, "処理中...");
    EXPECT_TRUE(busy.popups[0].grayed);
    ExpectRows(busy.popups[0], {{101, "Item"}});
    const Menu dis = LoadMenuDis();
    const Menu normal = LoadMenu1();
    ASSERT_EQ(dis.popups.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(dis.popups[i].text, normal.popups[i].text);
        EXPECT_TRUE(dis.popups[i].grayed);
        ExpectRows(dis.popups[i], {{101, "Item"}});
    }
}

TEST(Menus, EveryMenuCommandIsInTheDispatchTableOnce) {
    const Menu m = LoadMenu1();
    std::set<int> seen;
    for (const auto& entry : CommandTable()) {
        EXPECT_TRUE(seen.insert(entry.id).second) << entry.name << " twice";
    }
    for (const auto& popup : m.popups) {
        for (const auto& item : popup.children) {
            if (!item.separator) {
                EXPECT_TRUE(seen.count(item.id)) << item.text;
            }
        }
    }
    EXPECT_TRUE(seen.count(IDM_NOP));
    EXPECT_EQ(FindCommandByName("pitch_envelope")->id, IDM_PITCH_ENVELOPE);
    EXPECT_EQ(FindCommandByName("open")->id, IDM_OPEN);
    EXPECT_EQ(FindCommandByName("IDM_OPEN"), nullptr);
}

TEST(Menus, AcceleratorsAndToolbar) {
    std::vector<std::pair<char, int>> keys;
    for (const auto& a : AcceleratorTable()) {
        EXPECT_EQ(a.control, a.key != 0);
        keys.emplace_back(a.key, a.command);
    }
    EXPECT_EQ(keys, (std::vector<std::pair<char, int>>{{'Z', IDM_UNDO},
                                                       {'X', IDM_CUT},
                                                       {'C', IDM_COPY},
                                                       {'V', IDM_PASTE},
                                                       {0, IDM_DELETE},
                                                       {'M', IDM_MIX_PASTE},
                                                       {'N', IDM_NEW},
                                                       {'O', IDM_OPEN},
                                                       {'S', IDM_SAVE},
                                                       {'0', IDM_ZOOM_FIT},
                                                       {'Y', IDM_REDO}}));
    std::vector<std::pair<int, int>> buttons;
    for (const auto& b : ToolbarButtons()) {
        buttons.emplace_back(b.imageIndex, b.command);
    }
    EXPECT_EQ(buttons, (std::vector<std::pair<int, int>>{{-1, 0},
                                                         {0, IDM_PLAY},
                                                         {1, IDM_PLAY_FROM_CURSOR},
                                                         {2, IDM_LOOP_PLAY},
                                                         {3, IDM_STOP},
                                                         {4, IDM_RECORD},
                                                         {-1, 0},
                                                         {5, IDM_ZOOM_IN},
                                                         {6, IDM_ZOOM_OUT}}));
    for (const auto& image : ToolbarImages()) {
        for (const char* row : image) {
            EXPECT_EQ(std::strlen(row), 16u);
        }
    }
}

TEST(MainWindow, StartUpShowsTheEmptySound) {
    test::TestApp t;
    EXPECT_EQ(t.host.caption, "WaveTomuka -[無題]");
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 8Bits Mono");
    EXPECT_EQ(t.host.StatusText(1), "0 Bytes");
    EXPECT_EQ(t.host.statusEdges, (std::vector<int>{150, 250, 500, -1}));
    EXPECT_EQ(t.host.toolbar.size(), 9u);
    EXPECT_EQ(t.host.timers, (std::map<int, int>{{5, 50}}));
    ASSERT_EQ(t.host.menu, &t.app.menus.normal);
    // Zoom 1/256 and the waveform view are checked, the others are not.
    const MenuItem& view = t.app.menus.normal.popups[kViewPopupIndex];
    for (const auto& item : view.children) {
        EXPECT_EQ(item.checked, item.id == IDM_ZOOM_1_256 || item.id == IDM_VIEW_WAVEFORM)
            << item.text;
    }
    EXPECT_EQ(t.app.doc.framesPerPixel, 256);
    EXPECT_EQ(t.app.undo.length, 0);
    EXPECT_EQ(t.app.undo.data.Size(), 10u) << "the snapshot of the empty sound keeps 10 bytes";
    // The waveform window fills the client area between toolbar and status bar.
    EXPECT_EQ(t.host.waveY, t.host.ToolbarHeight());
    EXPECT_EQ(t.host.waveHeight,
              t.host.ClientHeight() - t.host.ToolbarHeight() - t.host.StatusBarHeight());
}

TEST(MainWindow, SineTableCoversSlightlyLessThanAPeriod) {
    test::TestApp t;
    EXPECT_EQ(t.app.sineTable[0], 0);
    EXPECT_EQ(t.app.sineTable[256], static_cast<int>(std::sin(256 * 6.28 / 1024) * 10000));
    EXPECT_EQ(t.app.sineTable[256], 9999);
    EXPECT_EQ(t.app.sineTable[768], -9999);
    EXPECT_LT(t.app.sineTable[1023], 0);
    EXPECT_GT(t.app.sineTable[1023], -100);
}

TEST(MainWindow, BusyGateLetsOnlyStopThrough) {
    test::TestApp t;
    t.app.busy = true;
    const std::size_t dialogsBefore = t.host.shownDialogs.size();
    EXPECT_EQ(DispatchCommand(t.app, IDM_ABOUT), -1);
    EXPECT_EQ(DispatchCommand(t.app, IDM_SAVE, NotifyAccelerator), -1);
    EXPECT_EQ(DispatchCommand(t.app, IDM_RECENT1), -1);
    EXPECT_EQ(t.host.shownDialogs.size(), dialogsBefore);
    EXPECT_TRUE(t.host.messages.empty()) << "Ctrl+S while busy must not even ask";
    // A close request, a drop and the hidden keys are ignored too while a command runs.
    t.app.doc.modified = true;
    MainWndProc(t.app, msg::Close, 0, 0);
    OnDropFiles(t.app, {"/x/y.wav"});
    EXPECT_FALSE(t.host.destroyed);
    EXPECT_TRUE(t.host.messages.empty());
    EXPECT_EQ(t.app.doc.title, "無題");
    // Notification codes other than menu and accelerator are never commands.
    t.app.busy = false;
    EXPECT_EQ(DispatchCommand(t.app, IDM_ABOUT, 2), -1);
    EXPECT_EQ(DispatchCommand(t.app, IDM_NOP), 1);
    EXPECT_EQ(t.host.caption, "WaveTomuka -[無題]");
}

TEST(MainWindow, CloseAsksAndCancelKeepsTheEditorRunning) {
    test::TestApp t;
    t.app.doc.modified = true;
    t.host.QueueAnswer(IdCancel);
    MainWndProc(t.app, msg::Close, 0, 0);
    EXPECT_FALSE(t.host.destroyed);
    EXPECT_TRUE(t.app.doc.modified);
    // Yes with a save that does not happen (the save-as dialog is cancelled) keeps it too.
    t.host.QueueAnswer(IdYes);
    MainWndProc(t.app, msg::Close, 0, 0);
    EXPECT_FALSE(t.host.destroyed);
    t.host.QueueAnswer(IdNo);
    DispatchCommand(t.app, IDM_EXIT);
    EXPECT_TRUE(t.host.destroyed);
}

TEST(MainWindow, NewWindowStartsItselfAndExplainsFailures) {
    test::TestApp t;
    EXPECT_EQ(DispatchCommand(t.app, IDM_NEW_WINDOW), 1);
    ASSERT_EQ(t.host.startedProcesses.size(), 1u);
    EXPECT_EQ(t.host.startedProcesses[0], t.host.modulePath);
    // The new window reads the settings file this one was started with (--ini), by its
    // absolute name; without --ini it finds the usual one itself.
    EXPECT_EQ(t.host.startedArguments[0], (std::vector<std::string>{"--ini", t.IniPath()}));
    for (const auto& [given, passed] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"rel.ini", (std::filesystem::current_path() / "rel.ini").string()}}) {
        test::TestApp other(false);
        InitializeApp(other.app, other.host.modulePath, given);
        EXPECT_EQ(CmdNewWindow(other.app), 1);
        const std::vector<std::string> expected =
            passed.empty() ? std::vector<std::string>() : std::vector<std::string>{"--ini", passed};
        EXPECT_EQ(other.host.startedArguments.at(0), expected);
    }
    for (const auto& [code, text] :
         std::vector<std::pair<int, std::string>>{{0, "メモリーが足りません"},
                                                  {8, "メモリーが足りません"},
                                                  {2, "ウィンドウが開けません"}}) {
        t.host.startProcessResult = code;
        EXPECT_EQ(DispatchCommand(t.app, IDM_NEW_WINDOW), 0);
        ASSERT_FALSE(t.host.messages.empty());
        EXPECT_EQ(t.host.messages.back().text, text);
        EXPECT_EQ(t.host.messages.back().caption, "新規ウィンドウ");
        EXPECT_EQ(t.host.messages.back().flags, mb::Ok | mb::IconWarning);
    }
}

TEST(MainWindow, AboutPlaysItsSoundAndShowsDialog100) {
    test::TestApp t;
    DispatchCommand(t.app, IDM_ABOUT);
    ASSERT_EQ(t.host.soundsPlayed.size(), 1u);
    EXPECT_EQ(t.host.soundsPlayed[0], t.dir.File("about.wav"));
    ASSERT_EQ(t.host.shownDialogs.size(), 1u);
    EXPECT_EQ(t.host.shownDialogs[0].templateId, 100);
    EXPECT_EQ(t.host.shownDialogs[0].result, 1);
    const DialogTemplate* about = FindDialogTemplate(100);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->caption, "バージョン情報...");
    bool hasVersion = false, hasIcon = false;
    for (const auto& c : about->controls) {
        hasVersion = hasVersion || c.text == "WaveTomuka Version 0.98";
        hasIcon = hasIcon || (c.kind == ControlKind::Icon && c.text == "201");
    }
    EXPECT_TRUE(hasVersion);
    EXPECT_TRUE(hasIcon);
}

// The page beside the executable; when no browser shows it, a message says where it is. The
// page names every extension the open dialog lists and the keys of the window.
TEST(MainWindow, HelpOpensThePageBesideTheExecutable) {
    test::TestApp t;
    DispatchCommand(t.app, IDM_HELP_CONTENTS);
    ASSERT_EQ(t.host.helpOpened.size(), 1u);
    EXPECT_EQ(t.host.helpOpened[0], t.dir.File("wtomuka.html"));
    EXPECT_TRUE(t.host.messages.empty());
    std::ofstream(t.dir.File("wtomuka.html")) << "<html></html>";
    t.host.openHelpResult = false; // no browser
    DispatchCommand(t.app, IDM_HELP_CONTENTS);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(
        t.host.messages[0].text,
        "ヘルプを表示するブラウザーを起動できません\n次のファイルをブラウザーで開いてください\n" +
            t.dir.File("wtomuka.html"));

    std::ifstream in(WT_SOURCE_DIR "/src/resources/wtomuka.html");
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CmdOpen(t.app); // no file queued: the dialog is cancelled
    std::istringstream words(t.host.fileRequests.at(0).filters.at(0).second +
                             ";*<kbd>Home</kbd>;*<kbd>End</kbd>;*<kbd>Space</kbd>;*全体表示;*MP3");
    for (std::string word; std::getline(words, word, ';');) {
        EXPECT_NE(page.find(word.substr(1)), std::string::npos) << word; // ".wav" ...
    }
}

TEST(MainWindow, MenuOpeningListsTheRecentFiles) {
    test::TestApp t;
    AddRecentFile(t.app.profile, "/b.wav");
    AddRecentFile(t.app.profile, "/a.wav");
    MainWndProc(t.app, msg::InitMenu, 0, 0);
    MainWndProc(t.app, msg::InitMenu, 0, 0); // opening twice does not add twice
    const auto& file = t.app.menus.normal.popups[kFilePopupIndex].children;
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file[file.size() - 2].id, IDM_RECENT1);
    EXPECT_EQ(file[file.size() - 2].text, "1:/a.wav");
    EXPECT_EQ(file.back().id, IDM_RECENT1 + 1);
    EXPECT_EQ(file.back().text, "2:/b.wav");
    EXPECT_TRUE(file[file.size() - 3].separator);
}

TEST(MainWindow, CommandLineOpensWithoutAskingAndDropsAskFirst) {
    // The command-line tail is one name, quotes included, so a quoted name is not a WAV file.
    test::TestApp quoted(true, "\"/snd/a b.wav\"");
    EXPECT_EQ(quoted.app.doc.title, "\"/snd/a b.wav\"");
    ASSERT_EQ(quoted.host.messages.size(), 1u);
    EXPECT_EQ(quoted.host.messages[0].text, "この形式はサポートしていません");

    // A drop onto a changed sound asks as Open does: Cancel keeps everything, No opens the
    // dropped file, Yes saves the sound first. Only the first file dropped is opened.
    struct Case {
        int answer;
        bool opened, saved;
    };
    for (const Case c :
         {Case{IdCancel, false, false}, Case{IdNo, true, false}, Case{IdYes, true, true}}) {
        SCOPED_TRACE(c.answer);
        test::TestApp t;
        const std::string dropped = t.dir.File("dropped.wav"), mine = t.dir.File("mine.wav");
        t.SetSound(16, 1, 10, [](int f, int) { return f; });
        t.app.doc.title = dropped;
        ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
        t.SetSound(8, 1, 3, [](int f, int) { return f * 256; });
        t.app.doc.title = mine;
        t.app.doc.modified = true;
        t.host.QueueAnswer(c.answer);
        OnDropFiles(t.app, {dropped, t.dir.File("second.wav")});
        ASSERT_EQ(t.host.messages.size(), 1u);
        EXPECT_EQ(t.host.messages[0].text, "[" + mine + "]は変更されています\n保存しますか?");
        EXPECT_EQ(t.app.doc.title, c.opened ? dropped : mine);
        EXPECT_EQ(t.app.doc.byteLength, c.opened ? 20 : 3);
        EXPECT_EQ(t.app.doc.modified, !c.opened);
        EXPECT_EQ(std::filesystem::exists(mine), c.saved);
    }

    // A file of no known type stays unopened, and the sound keeps its name.
    test::TestApp t;
    OnDropFiles(t.app, {"/first/x.txt"});
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "この形式はサポートしていません");
    EXPECT_EQ(t.app.doc.title, kUntitled);
    EXPECT_EQ(t.app.settings.lastDirectory, "/first");
}

} // namespace
