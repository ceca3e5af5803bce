// Every text of the edit history, the undo settings and the recovery of unsaved work.
#pragma once

namespace wt::historytext {

// Menu items. The undo and redo items name what they will undo or redo in the many-step mode.
inline constexpr const char* kMenuUndo = "元に戻す(&U)\tCtrl+Z";
inline constexpr const char* kMenuUndoWhat = "元に戻す: %s(&U)\tCtrl+Z";
inline constexpr const char* kMenuRedo = "やり直し(&R)\tCtrl+Y";
inline constexpr const char* kMenuRedoWhat = "やり直し: %s(&R)\tCtrl+Y";
inline constexpr const char* kMenuHistory = "編集履歴(&H)...";
inline constexpr const char* kMenuUndoSettings = "元に戻す(&U)...";

// Step names besides the menu texts of the commands.
inline constexpr const char* kStepStart = "開始";
inline constexpr const char* kStepOpen = "開く: %s";
inline constexpr const char* kStepRecord = "録音";
inline constexpr const char* kStepRestored = "復元: %s";
inline constexpr const char* kStepHighPass = "ハイパス";

// The history dialog: a row per step (mark, number, time, text, format, seconds), a note when
// the oldest steps were dropped, and the messages.
inline constexpr const char* kCaptionHistory = "編集履歴";
inline constexpr const char* kHistoryLabel = "戻る段階を選んでください（▶ が現在の状態です）";
inline constexpr const char* kCurrentMark = "▶";
inline constexpr const char* kHistoryRow = "%s %d  %s  %s  %s  %s秒%s";
inline constexpr const char* kOnDisk = "（ディスク）";
inline constexpr const char* kDropped = "（破棄済み）";
inline constexpr const char* kDroppedNote =
    "これより前の %d 段階は記録の容量を超えたため破棄されました";
inline constexpr const char* kHistoryOff = "編集履歴は記録されていません";
inline constexpr const char* kCannotGo =
    "この段階に戻せません（メモリーまたはディスクが足りないか、記録が失われています）";

// 設定 → 元に戻す.
inline constexpr const char* kCaptionUndoSettings = "元に戻す";
inline constexpr const char* kUndoSingle = "1段階（もう一度でやり直し）";
inline constexpr const char* kUndoMulti = "複数段階";
inline constexpr const char* kUndoGroup = "元に戻すの動作";

// Recovery at start-up.
inline constexpr const char* kCaptionRecovery = "作業の復元";
inline constexpr const char* kRecoveryLabel =
    "前回、保存されないまま終了した作業があります。復元する作業を選んでください";
inline constexpr const char* kRecover = "復元";
inline constexpr const char* kDiscard = "破棄";
inline constexpr const char* kLater = "後で";
inline constexpr const char* kRecoveryRow = "%s  %s  %s秒  %s";
inline constexpr const char* kSourceNewer =
    "[%s]のファイルは、この作業の後にディスク上で変更されています\n"
    "復元したのは保存されていなかった作業です（ファイルには書き込んでいません）";
inline constexpr const char* kCannotRestore = "作業を復元できません\n%s";
inline constexpr const char* kJournalFailed = "作業の記録を書き込むフォルダーを作れません\n%s";

} // namespace wt::historytext
