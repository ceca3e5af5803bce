// The texts of the compressor, noise gate and distortion: progress labels (also the captions
// of their messages), dialog captions, labels and units.
#pragma once

namespace wt {

// The compressor shows no progress; its name is the caption of its messages.
inline constexpr const char* kLabelCompressor = "コンプレッサー";
inline constexpr const char* kLabelNoiseGate = "ノイズゲート";
inline constexpr const char* kLabelDistortion = "ディストーション";

// Dialog 6.
inline constexpr const char* kCaptionCompressorDialog = "コンプレッサー";
inline constexpr const char* kTextOutputLevelLabel = "出力レベル";
inline constexpr const char* kTextRatioLabel = "コンプレス率";

// Dialog 7.
inline constexpr const char* kCaptionNoiseGateDialog = "ノイズゲート";
inline constexpr const char* kTextGateLevelLabel = "レベル";
inline constexpr const char* kTextAttackLabel = "アタックタイム";
inline constexpr const char* kTextReleaseLabel = "リリースタイム";
inline constexpr const char* kTextMilliseconds = "mSec";

// Dialog 109.
inline constexpr const char* kCaptionDistortionDialog = "ディストーション";
inline constexpr const char* kTextDistortionDepthLabel = "デプス";
inline constexpr const char* kTextModeGroup = "モード";
inline constexpr const char* kTextFuzz = "ファズ";
inline constexpr const char* kTextOverdrive = "オーバードライブ";

} // namespace wt
