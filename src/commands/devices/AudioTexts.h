// The texts of playback, recording and the wave device dialog.
#pragma once

namespace wt {

// Device messages: caption, and one text per failure.
inline constexpr const char* kCaptionDevice = "WaveTomuka";
inline constexpr const char* kTextBadFormat = "WAVEデバイスでサポートされていないデータ形式です";
inline constexpr const char* kTextSyncDriver = "同期デバイスドライバは使用できません";
inline constexpr const char* kTextAllocated = "指定のリソースは既に使用されています";
inline constexpr const char* kTextBadDeviceId = "デバイスIDが異常です";
inline constexpr const char* kTextCannotOpen = "WAVEデバイスがオープンできません";
inline constexpr const char* kTextPrepareError = "WaveIn Prepare Error";
inline constexpr const char* kTextAddBufferError = "WaveIn AddBufferError";
// Shown when the input device stopped by itself (its sound server went away, the device was
// unplugged) before the block was full and before stop; what arrived is kept.
inline constexpr const char* kTextRecordingEndedEarly =
    "録音デバイスが停止したため、録音を途中で終了しました";

// Status bar part 0 while recording starts and runs.
inline constexpr const char* kStatusPreparing = "準備中．．．";
inline constexpr const char* kStatusRecording = "録音中";

// Dialog 4, the recording settings.
inline constexpr const char* kCaptionRecordDialog = "録音";
inline constexpr const char* kTextRateGroup = "サンプリングレート";
inline constexpr const char* kTextBitsGroup = "ビット数";
inline constexpr const char* kTextChannelsGroup = "チャネル数";
inline constexpr const char* kTextMaxTimeGroup = "最大録音時間";
inline constexpr const char* kTextSeconds = "秒";
inline constexpr const char* kTextMemoryLabel = "必要メモリ：";
inline constexpr const char* kTextKilobytes = "(KB)";
inline constexpr const char* kTextStart = "スタート";

// Dialog 101, the wave device choice.
inline constexpr const char* kCaptionDeviceDialog = "WAVE デバイスの選択";
inline constexpr const char* kTextChooseDevices = "使用するウェーブデバイスを選択します";
inline constexpr const char* kTextOutputGroup = "WAVE 出力";
inline constexpr const char* kTextInputGroup = "WAVE 入力";
inline constexpr const char* kTextDeviceName = "デバイス名:";
inline constexpr const char* kTextManufacturer = "製造元ID:";
inline constexpr const char* kTextProduct = "製品ID:";
inline constexpr const char* kTextVersion = "バージョン:";
inline constexpr const char* kTextChannels = "チャネル数:";
inline constexpr const char* kTextNotSupported = "Not Supported";
inline constexpr const char* kTextYes = "Yes";
inline constexpr const char* kTextNo = "No";

// Common dialog buttons.
inline constexpr const char* kTextOk = "OK";
inline constexpr const char* kTextCancel = "ｷｬﾝｾﾙ";

} // namespace wt
