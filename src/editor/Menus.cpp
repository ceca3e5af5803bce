#include "editor/Menus.h"

#include "editor/CommandIds.h"

namespace wt {

namespace {

MenuItem Item(int id, const char* text) {
    MenuItem item;
    item.id = id;
    item.text = text;
    return item;
}

MenuItem Separator() {
    MenuItem item;
    item.separator = true;
    return item;
}

MenuItem Popup(const char* title, std::vector<MenuItem> children) {
    MenuItem item;
    item.text = title;
    item.isPopup = true;
    item.children = std::move(children);
    return item;
}

const char* const kPopupTitles[7] = {"ﾌｧｲﾙ(&F)", "編集(&E)", "効果(&T)", "作成(&C)",
                                     "表示(&D)", "設定(&O)", "ﾍﾙﾌﾟ(&H)"};

} // namespace

Menu LoadMenu1() {
    Menu menu;
    menu.name = "MENU_1";
    menu.popups = {
        Popup(kPopupTitles[0],
              {Item(IDM_NEW_WINDOW, "新規ウィンドウ(&W)"), Separator(),
               Item(IDM_NEW, "新規作成(&N)...\tCtrl+N"), Item(IDM_OPEN, "開く(&O)...\tCtrl+O"),
               Item(IDM_SAVE, "上書き保存(&S)\tCtrl+S"),
               Item(IDM_SAVE_AS, "名前をつけて保存(&A)..."), Separator(),
               Item(IDM_CHANGE_FORMAT, "フォーマット変換(&F)..."),
               Item(IDM_SOUND_INFO, "情報(&I)..."), Separator(), Item(IDM_PLAY, "再生(&P)"),
               Item(IDM_PLAY_FROM_CURSOR, "カーソル位置から再生(&Q)"),
               Item(IDM_LOOP_PLAY, "ループ再生(&L)"), Item(IDM_STOP, "停止(&B)"),
               Item(IDM_RECORD, "録音(&R)"), Separator(), Item(IDM_EXIT, "終了(&X)"), Separator()}),
        Popup(kPopupTitles[1],
              {Item(IDM_UNDO, "元に戻す(&U)\tCtrl+Z"), Separator(),
               Item(IDM_CUT, "切取り(&T)\tCtrl+X"), Item(IDM_COPY, "コピー(&C)\tCtrl+C"),
               Item(IDM_PASTE, "貼り付け(&P)\tCtrl+V"), Item(IDM_DELETE, "削除(&L)\tDel"),
               Item(IDM_CROP, "選択範囲以外を消去(&R)"),
               Item(IDM_MIX_PASTE, "クリップボードとのミックス(&M)\tCtrl+M"), Separator(),
               Item(IDM_SELECT_ALL, "すべてを選択(&A)")}),
        Popup(kPopupTitles[2], {Item(IDM_NOISE_REMOVAL, "ノイズ除去(&J)"),
                                Item(IDM_DC_REMOVE, "ＤＣ成分除去(&C)"),
                                Item(IDM_NORMALIZE, "ノーマライズ(&Z)"),
                                Item(IDM_PHASE_INVERT, "位相反転"),
                                Separator(),
                                Item(IDM_SILENCE, "サイレント(&S)"),
                                Item(IDM_FADE_IN, "フェードイン(&I)"),
                                Item(IDM_FADE_OUT, "フェードアウト(&O)"),
                                Item(IDM_VOLUME, "音量(&L)..."),
                                Item(IDM_TREMOLO, "トレモロ(&T)..."),
                                Item(IDM_ENVELOPE, "エンベロープ(&N)..."),
                                Item(IDM_PAN_ENVELOPE, "パンエンベロープ(&A)..."),
                                Item(IDM_NOISE_GATE, "ノイズゲート(&A)..."),
                                Item(IDM_COMPRESSOR, "コンプレッサー(&M)..."),
                                Separator(),
                                Item(IDM_ECHO, "エコー(&E)..."),
                                Item(IDM_REVERB, "リバーブ(&B)..."),
                                Separator(),
                                Item(IDM_PITCH, "ピッチ(&P)..."),
                                Item(IDM_PITCH_ENVELOPE, "ピッチエンベロープ(&H)..."),
                                Item(IDM_VIBRATO, "ビブラート(&V)..."),
                                Item(IDM_TIME_STRETCH, "タイムストレッチ..."),
                                Item(IDM_TRANSPOSE, "トランスポーズ..."),
                                Separator(),
                                Item(IDM_REVERSE, "リバース(&R)"),
                                Item(IDM_DISTORTION, "ディストーション(&D)..."),
                                Item(IDM_FLANGER, "フランジャー(&F)..."),
                                Item(IDM_EQUALIZER, "イコライザー(&G)..."),
                                Item(IDM_PARAMETRIC_EQ, "パラメトリックイコライザ...")}),
        Popup(kPopupTitles[3],
              {Item(IDM_WHITE_NOISE, "ホワイトノイズ(&N)..."), Item(IDM_TONE, "トーン(&T)..."),
               Item(IDM_INSERT_SILENCE, "サイレント(&S)..."),
               Item(IDM_MELODY_PASTE, "メロディペースト(&M)...")}),
        Popup(kPopupTitles[4],
              {Item(IDM_ZOOM_1_1024, "1/1024"), Item(IDM_ZOOM_1_256, "1/256"),
               Item(IDM_ZOOM_1_64, "1/64"), Item(IDM_ZOOM_1_16, "1/16"), Item(IDM_ZOOM_1_4, "1/4"),
               Item(IDM_ZOOM_1_1, "1/1"), Separator(), Item(IDM_ZOOM_IN, "ズームイン"),
               Item(IDM_ZOOM_OUT, "ズームアウト"), Item(IDM_ZOOM_FIT, "全体表示\tCtrl+0"),
               Separator(), Item(IDM_VIEW_WAVEFORM, "波形(&W)"),
               Item(IDM_VIEW_SPECTROGRAM, "スペクトログラム(&S)"),
               Item(IDM_VIEW_BOTH, "波形とスペクトログラム(&B)"), Separator(),
               Item(IDM_SPECTRUM_LOG, "周波数を対数で表示(&L)")}),
        Popup(kPopupTitles[5],
              {Item(IDM_DEVICE, "デバイス(&P)..."), Item(IDM_DISPLAY_SETTINGS, "表示設定(&D)...")}),
        Popup(kPopupTitles[6], {Item(IDM_HELP_CONTENTS, "目次(&C)"), Separator(),
                                Item(IDM_ABOUT, "バージョン情報(&A)...")}),
    };
    return menu;
}

Menu LoadMenuBusy() {
    Menu menu;
    menu.name = "MENU_BUSY";
    MenuItem popup = Popup("処理中...", {Item(IDM_BUSY_ITEM, "Item")});
    popup.grayed = true;
    menu.popups.push_back(std::move(popup));
    return menu;
}

Menu LoadMenuDis() {
    Menu menu;
    menu.name = "MENU_DIS";
    for (const char* title : kPopupTitles) {
        MenuItem popup = Popup(title, {Item(IDM_BUSY_ITEM, "Item")});
        popup.grayed = true;
        menu.popups.push_back(std::move(popup));
    }
    return menu;
}

const std::vector<Accelerator>& AcceleratorTable() {
    static const std::vector<Accelerator> table = {
        {'Z', true, IDM_UNDO},     {'X', true, IDM_CUT},   {'C', true, IDM_COPY},
        {'V', true, IDM_PASTE},    {0, false, IDM_DELETE}, {'M', true, IDM_MIX_PASTE},
        {'N', true, IDM_NEW},      {'O', true, IDM_OPEN},  {'S', true, IDM_SAVE},
        {'0', true, IDM_ZOOM_FIT}, {'Y', true, IDM_REDO},
    };
    return table;
}

const std::vector<ToolbarButton>& ToolbarButtons() {
    static const std::vector<ToolbarButton> buttons = {
        {-1, 0},
        {0, IDM_PLAY},
        {1, IDM_PLAY_FROM_CURSOR},
        {2, IDM_LOOP_PLAY},
        {3, IDM_STOP},
        {4, IDM_RECORD},
        {-1, 0},
        {5, IDM_ZOOM_IN},
        {6, IDM_ZOOM_OUT},
    };
    return buttons;
}

const std::array<std::array<const char*, 15>, 7>& ToolbarImages() {
    static const std::array<std::array<const char*, 15>, 7> images = {{
        // 0 play: a green triangle
        {{"................", "....k...........", "....kk..........", "....kgk.........",
          "....kggk........", "....kgggk.......", "....kggggk......", "....kgggggk.....",
          "....kggggk......", "....kgggk.......", "....kggk........", "....kgk.........",
          "....kk..........", "....k...........", "................"}},
        // 1 play from the cursor: a bar, then a triangle
        {{"................", "..k...k.........", "..k...kk........", "..k...kgk.......",
          "..k...kggk......", "..k...kgggk.....", "..k...kggggk....", "..k...kgggggk...",
          "..k...kggggk....", "..k...kgggk.....", "..k...kggk......", "..k...kgk.......",
          "..k...kk........", "..k...k.........", "................"}},
        // 2 loop: a circular arrow
        {{"................", "................", ".....bbbbb......", "....b.....b.....",
          "...b.......b....", "...b.......b....", "...b.......b....", "...b......bbb...",
          "...b.......b....", "...b............", "...b.......b....", "....b.....b.....",
          ".....bbbbb......", "................", "................"}},
        // 3 stop: a black square
        {{"................", "................", "................", "...kkkkkkkkk....",
          "...kkkkkkkkk....", "...kkkkkkkkk....", "...kkkkkkkkk....", "...kkkkkkkkk....",
          "...kkkkkkkkk....", "...kkkkkkkkk....", "...kkkkkkkkk....", "...kkkkkkkkk....",
          "................", "................", "................"}},
        // 4 record: a red disc
        {{"................", "................", "......kkkk......", "....kkrrrrkk....",
          "...krrrrrrrrk...", "...krrrrrrrrk...", "..krrrrrrrrrrk..", "..krrrrrrrrrrk..",
          "..krrrrrrrrrrk..", "...krrrrrrrrk...", "...krrrrrrrrk...", "....kkrrrrkk....",
          "......kkkk......", "................", "................"}},
        // 5 zoom in: a magnifier with a plus
        {{"................", "....kkkkk.......", "...k.....k......", "..k...b...k.....",
          "..k...b...k.....", "..k.bbbbb.k.....", "..k...b...k.....", "..k...b...k.....",
          "...k.....k......", "....kkkkkkk.....", "..........kk....", "...........kk...",
          "............kk..", ".............k..", "................"}},
        // 6 zoom out: a magnifier with a minus
        {{"................", "....kkkkk.......", "...k.....k......", "..k.......k.....",
          "..k.......k.....", "..k.bbbbb.k.....", "..k.......k.....", "..k.......k.....",
          "...k.....k......", "....kkkkkkk.....", "..........kk....", "...........kk...",
          "............kk..", ".............k..", "................"}},
    }};
    return images;
}

} // namespace wt
