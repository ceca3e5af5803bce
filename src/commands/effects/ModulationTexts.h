// The texts of the tremolo and vibrato: progress labels (also the captions of their messages),
// dialog captions, labels and units.
#pragma once

namespace wt {

inline constexpr const char* kLabelTremolo = "トレモロ";
inline constexpr const char* kLabelVibrato = "ビブラート";

// Dialog 114.
inline constexpr const char* kCaptionTremoloDialog = "トレモロ";
inline constexpr const char* kTextTremoloLevelLabel = "レベル";
inline constexpr const char* kTextTremoloRateLabel = "レート";
inline constexpr const char* kTextTremoloRateUnit = "1/10Hz";
inline constexpr const char* kTextStereoAutoPan = "ステレオオートパン";

// Dialog 9.
inline constexpr const char* kCaptionVibratoDialog = "ビブラート";
inline constexpr const char* kTextVibratoDepthLabel = "デプス";
inline constexpr const char* kTextVibratoRateLabel = "レート";
inline constexpr const char* kTextVibratoRateUnit = "Hz";
inline constexpr const char* kTextOnsetLabel = "ディレイ";
inline constexpr const char* kTextOnsetUnit = "Sec";

} // namespace wt
