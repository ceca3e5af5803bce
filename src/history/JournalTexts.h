// Every text the recovery journal hands to the editor: why a journal cannot be kept or
// brought back. Each names the file (%s, its name without the folder) or the folder.
#pragma once

namespace wt::journaltext {

// The recovery folder cannot be made or written (%s the folder).
inline constexpr const char* kNoFolder = "復元用のフォルダーを作れません: %s";
// The journal cannot be opened or read.
inline constexpr const char* kCannotRead = "復元用の記録を読めません: %s";
// Another running editor holds the journal.
inline constexpr const char* kInUse = "復元用の記録は他のウィンドウで使われています: %s";
// Not a journal of this editor (another program's file, or a later version's).
inline constexpr const char* kForeign = "復元用の記録ではありません: %s";
// A damaged journal: the first %s says what was wrong (one of the details below), the second
// names the file.
inline constexpr const char* kDamaged = "復元用の記録が壊れています(%s): %s";
inline constexpr const char* kDetailChecksum = "チェックサム";
inline constexpr const char* kDetailLength = "長さ";
inline constexpr const char* kDetailOrder = "順序";
inline constexpr const char* kDetailType = "種類";
inline constexpr const char* kDetailRange = "範囲";
inline constexpr const char* kDetailFormat = "フォーマット";
inline constexpr const char* kDetailNoSound = "音がありません";
// The memory for the journal's sound cannot be had.
inline constexpr const char* kNoMemory = "メモリが足りません: %s";

} // namespace wt::journaltext
