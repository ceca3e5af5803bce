// Every text the file readers, writers and commands show: messages, captions, dialog
// filters and the progress label.
#pragma once

namespace wt::filetext {

// Message-box captions.
inline constexpr const char* kCaptionOpen = "ファイルを開く";
inline constexpr const char* kCaptionSave = "保存";

// Reader messages (caption kCaptionOpen, warning icon).
// The file is missing, unreadable, or not a regular file.
inline constexpr const char* kCannotOpen = "ファイルを開けません";
// The samples would not fit the document's 2 GiB block.
inline constexpr const char* kTooLarge = "ファイルが大きすぎます";
inline constexpr const char* kCorruptRiff = "データが異常です(RIFF)";
inline constexpr const char* kCorruptWave = "データが異常です(WAVE)";
inline constexpr const char* kCorrupt = "データが異常です";
inline constexpr const char* kCorruptForm = "データが異常です(FORM)";
inline constexpr const char* kCorruptAiff = "データが異常です(AIFF)";
inline constexpr const char* kChunkNotFound = "データが異常です(Chunkが見つかりません)";
// A WAV or AIFF format the editor cannot hold.
inline constexpr const char* kFormatNotSupported = "このフォーマットはサポートされていません";
// An AU encoding or format the editor cannot hold, and a file name with no known extension.
inline constexpr const char* kTypeNotSupported = "この形式はサポートしていません";

// Files read through libsndfile: a header it cannot read, more than two channels (%d the
// count), a stream that ends early (%lld frames read of %lld claimed), and the clipped-sample
// count added to the conversion note of the status bar.
inline constexpr const char* kImportDamaged = "データが異常です(ヘッダー)";
inline constexpr const char* kImportChannels =
    "%dチャンネルのファイルは開けません（モノラルとステレオのみ）";
inline constexpr const char* kImportCutShort =
    "ファイルが途中で終わっています（%lld / %lld フレームを読み込みました）";
inline constexpr const char* kImportClipped = "、%lld サンプルをクリップ";
// A stream whose header claims no length that ended in damage (%lld frames read; opened),
// and a file that gave no frames at all although its header claimed some or none (refused).
inline constexpr const char* kImportEndedEarly =
    "ファイルが途中で終わっています（%lld フレームを読み込みました）";
inline constexpr const char* kImportNoFrames = "データが異常です(サンプルを読み込めません)";
// An MP3 whose audio goes on past the length its first frame's header gives (two files
// joined): the decoder stops there (%lld frames read; opened).
inline constexpr const char* kImportMp3Beyond =
    "ヘッダーが示す長さより後のデータは読み込めませんでした（%lld フレームを読み込みました）";

// Writer and save messages.
// A save that failed or was refused (caption kCaptionSave, warning icon): the file's name,
// then what went wrong, one of the causes below; kCannotWriteFile when nothing more is known.
inline constexpr const char* kCannotWriteFile = "[%s]に書き込めません";
inline constexpr const char* kCannotWriteBecause = "[%s]に書き込めません\n%s";
inline constexpr const char* kCauseDiskFull = "ディスクの空き容量が足りません";
inline constexpr const char* kCauseQuota = "ディスクの使用量の上限を超えます";
inline constexpr const char* kCauseNoPermission = "書き込む権限がありません";
inline constexpr const char* kCauseReadOnlyFs = "読み取り専用のファイルシステムです";
inline constexpr const char* kCauseNoFolder = "保存先のフォルダーがありません";
inline constexpr const char* kCauseNotFolder = "保存先のフォルダー名がフォルダーではありません";
inline constexpr const char* kCauseIsFolder = "同じ名前のフォルダーがあります";
inline constexpr const char* kCauseNotRegular =
    "通常のファイルではありません(パイプやデバイスには保存できません)";
inline constexpr const char* kCauseDanglingLink = "シンボリックリンクの指す先がありません";
inline constexpr const char* kCauseSharedLink =
    "共有フォルダーにある他のユーザーのシンボリックリンクです。リンク先には保存しません";
inline constexpr const char* kCauseLinkLoop = "シンボリックリンクが循環しています";
inline constexpr const char* kCauseNoFileName = "ファイル名がありません";
inline constexpr const char* kCauseNameTooLong = "ファイル名が長すぎます";
inline constexpr const char* kCauseTooLarge = "ファイルが大きすぎます";
inline constexpr const char* kCauseIo = "ディスクの読み書きでエラーが起きました";
// Any other error: the system's own description of it.
inline constexpr const char* kCauseOther = "エラー: %s";
// A rate the format cannot hold (the sound's rate in Hz, with thousands separators).
inline constexpr const char* kCauseFlacRate =
    "FLAC で保存できるサンプリングレートは 655,350Hz までです(この音は %sHz)";
inline constexpr const char* kCauseOggRate =
    "Ogg Vorbis ではサンプリングレート %sHz の音を保存できません";
inline constexpr const char* kCauseAuRate = "AU ではサンプリングレート %sHz の音を保存できません";
inline constexpr const char* kSaveEmpty = "データがありませんが、保存してよろしいですか";
inline constexpr const char* kAuRateQuestion =
    ".au(ulaw) ファイルで一般的に使用される 8KHzサンプリングではありません\n"
    "8KHzに変換するには[ファイル]-[フォーマット変換]を使用してください\n"
    "このまま保存してよろしいですか?";

// Save As naming the very file a sound was imported from, when the save keeps less than the
// file holds (caption kCaptionSave, warning icon, Yes/No): the file's name, its samples
// ("24 ビット", "32 ビット浮動小数点") and what the save writes ("16 ビット", "μ-law",
// "Ogg Vorbis"); for a lossy file saved lossy again, the file's name.
inline constexpr const char* kOverwriteRicher =
    "%s は %sのファイルです。%sで上書きすると元の精度は失われます。上書きしますか？";
inline constexpr const char* kOverwriteLossy =
    "%s は非可逆圧縮のファイルです。もう一度エンコードして上書きすると音質がさらに落ちます。"
    "上書きしますか？";

// Save As in a type that cannot hold some of the sound's tags (caption kCaptionSave, warning
// icon, Yes/No): the file's name, the type's name (kTypeNames) and the tags lost, named as
// kTagNames names them and joined by kTagNameSeparator.
inline constexpr const char* kTagsNotKept =
    "%s を %s 形式で保存すると、タグ（%s）は失われます。保存しますか？";
inline constexpr const char* kTagNameSeparator = "、";
// The file types by their number (FileTypeWav ... FileTypeOgg).
inline constexpr const char* kTypeNames[] = {"", "WAV", "AU", "AIFF", "FLAC", "Ogg Vorbis"};

// The names of the tags, in TagField's order, and the texts of the information dialog: its
// caption, and its labels for the file's name, its format and its length ("%s 秒").
inline constexpr const char* kTagNames[] = {
    "タイトル", "アーティスト", "アルバム", "日付",         "コメント",
    "ジャンル", "トラック番号", "著作権",   "ソフトウェア", "ライセンス"};
inline constexpr const char* kCaptionSoundInfo = "情報";
inline constexpr const char* kInfoName = "ファイル名";
inline constexpr const char* kInfoFormat = "形式";
inline constexpr const char* kInfoLength = "長さ";
inline constexpr const char* kInfoSeconds = "%s 秒";

// The file field of the save dialog for an untitled document.
inline constexpr const char* kDefaultSaveName = "Noname.wav";

// Open dialog filters, index 1 to 6; the dialog starts on the first.
inline constexpr const char* kOpenFilterSounds = "すべてのサウンドファイル";
inline constexpr const char* kOpenFilterWav = "WAV ファイル (*.wav)";
inline constexpr const char* kOpenFilterAu = "AU ファイル (*.au)";
inline constexpr const char* kOpenFilterAiff = "AIFF ファイル (*.aif;*.aiff;*.aifc)";
inline constexpr const char* kOpenFilterOther =
    "FLAC/Ogg/Opus/MP3 ファイル (*.flac;*.ogg;*.oga;*.opus;*.mp3)";
inline constexpr const char* kOpenFilterAll = "すべてのファイル (*.*)";
// Save dialog filters, index 1 to 5 (the index is the file type).
inline constexpr const char* kSaveFilterWav = "WAV 形式 (*.wav)";
inline constexpr const char* kSaveFilterAu = "AU (μ-law) 形式 (*.au)";
inline constexpr const char* kSaveFilterAiff = "AIFF 形式 (*.aiff)";
inline constexpr const char* kSaveFilterFlac = "FLAC 形式 (*.flac)";
inline constexpr const char* kSaveFilterOgg = "Ogg Vorbis 形式 (*.ogg)";

// Format conversion: the refusal of a source format and its caption, which is also the
// progress label and the caption of dialog 113, and the caption of its out-of-memory message.
inline constexpr const char* kConvertNotSupported =
    "このデータ形式からの変換はサポートされていません";
inline constexpr const char* kCaptionConvert = "フォーマット変換";
inline constexpr const char* kCaptionConvertMemory = "Change Format";

// Status-bar label of the work done through libsndfile (opening FLAC, Ogg, MP3 and the
// other imports, saving FLAC and Ogg), followed by the percentage.
inline constexpr const char* kProgressFileWork = "処理中…";
// Status-bar label of the AIFF reader's progress.
inline constexpr const char* kProgressLoadAiff = "LoadAIF";

} // namespace wt::filetext
