// The texts of the pitch, time stretch and transpose: progress labels (also the captions of
// their messages), dialog captions, labels and units.
#pragma once

namespace wt {

inline constexpr const char* kLabelPitch = "ピッチ";
inline constexpr const char* kLabelTimeStretch = "タイムストレッチ";
inline constexpr const char* kLabelTranspose = "トランスポーズ";

// Time stretch and transpose of a long sound at a rate far above any in use.
inline constexpr const char* kTextRateTooHigh = "サンプリング周波数が高すぎるため処理できません";

// Dialog 103.
inline constexpr const char* kCaptionPitchDialog = "ピッチ設定";
inline constexpr const char* kTextPitchLabel = "ピッチ";
inline constexpr const char* kTextPercentUnit = "%";

// Dialog 10.
inline constexpr const char* kCaptionTimeStretchDialog = "タイムストレッチ";
inline constexpr const char* kTextSpeedLabel = "再生速度";
inline constexpr const char* kTextTimeLabel = "時間";
inline constexpr const char* kTextDurationArrow = "(mSec)   =>";
inline constexpr const char* kTextDurationUnit = "(mSec)";

// Dialog 11.
inline constexpr const char* kCaptionTransposeDialog = "トランスポーズ設定";
inline constexpr const char* kTextTransposeLabel = "トランスポーズ";
inline constexpr const char* kTextCentsUnit = "セント";
inline constexpr const char* kTextHarmonizeGroup = "ハーモナイズ";
inline constexpr const char* kTextHarmonizeUse = "使用する";
inline constexpr const char* kTextMixSource = "元音";
inline constexpr const char* kTextMixEffect = "効果音";

} // namespace wt
