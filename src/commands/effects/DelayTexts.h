// The texts of the echo, reverb and flanger: progress labels (also the captions of their
// messages), dialog captions, labels and units.
#pragma once

namespace wt {

inline constexpr const char* kLabelEcho = "エコー";
inline constexpr const char* kLabelReverb = "リバーブ";
inline constexpr const char* kLabelFlanger = "フランジャー";

// Dialog 110.
inline constexpr const char* kCaptionEchoDialog = "エコー";
inline constexpr const char* kTextDelayTimeLabel = "ディレイタイム";
inline constexpr const char* kTextEchoLevelLabel = "エコーレベル";
inline constexpr const char* kTextFeedbackLabel = "フィードバック";

// Dialog 2.
inline constexpr const char* kCaptionReverbDialog = "リバーブ";
inline constexpr const char* kTextReverbTimeLabel = "リバーブタイム";
inline constexpr const char* kTextReverbLevelLabel = "リバーブレベル";
inline constexpr const char* kTextDryLevelLabel = "オリジナルレベル";

// Dialog 111.
inline constexpr const char* kCaptionFlangerDialog = "フランジャー";
inline constexpr const char* kTextFlangerLevelLabel = "レベル";
inline constexpr const char* kTextFlangerDepthLabel = "デプス";
inline constexpr const char* kTextFlangerRateLabel = "レート";
inline constexpr const char* kTextStereoFlange = "ステレオフランジ";

inline constexpr const char* kTextDelayMilliseconds = "mSec";
inline constexpr const char* kTextTenthsOfHertz = "1/10Hz";

} // namespace wt
