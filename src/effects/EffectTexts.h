// The texts the effect commands show: progress labels (which are also the captions of their
// messages), captions and messages.
#pragma once

namespace wt {

inline constexpr const char* kLabelVolume = "音量";
inline constexpr const char* kLabelNormalize = "ノーマライズ";
inline constexpr const char* kLabelFadeIn = "フェードイン";
inline constexpr const char* kLabelFadeOut = "フェードアウト";
inline constexpr const char* kLabelReverse = "リバース";
inline constexpr const char* kLabelPhaseInvert = "位相反転";
inline constexpr const char* kLabelDcRemove = "DC成分除去";

inline constexpr const char* kTextMonoPanIgnored =
    "このデータはモノラルデータです。\nパンポットの設定は無視されます。";

// Dialog 102.
inline constexpr const char* kCaptionVolumeDialog = "音量";
inline constexpr const char* kTextVolumeLabel = "音量";
inline constexpr const char* kTextPanLabel = "パンポット";
inline constexpr const char* kTextLimiter = "リミッター";

} // namespace wt
