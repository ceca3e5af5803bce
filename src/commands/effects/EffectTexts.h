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

// The envelopes: progress labels (also the captions of their messages), the stereo-only
// message, dialog captions and the labels beside the top, middle and bottom of the area.
inline constexpr const char* kLabelEnvelope = "エンベロープ";
inline constexpr const char* kLabelPanEnvelope = "パンエンベロープ";
inline constexpr const char* kLabelPitchEnvelope = "ピッチエンベロープ";
inline constexpr const char* kTextPanEnvelopeStereoOnly =
    "この機能はステレオデータの場合のみ使用できます\nまず [フォーマット変換] "
    "でステレオデータに変換してください";
inline constexpr const char* kCaptionVolumeEnvelopeDialog = "音量エンベロープ";
inline constexpr const char* kCaptionPanEnvelopeDialog = "パンエンベロープ";
inline constexpr const char* kCaptionPitchEnvelopeDialog = "ピッチエンベロープ";
inline constexpr const char* kTextVolumeEnvelopeLabels[3] = {"200", "100", "0"};
inline constexpr const char* kTextPanEnvelopeLabels[3] = {"Left", "Center", "Right"};
inline constexpr const char* kTextPitchEnvelopeLabels[3] = {"2f", "f", "f/2"};

// Dialog 102.
inline constexpr const char* kCaptionVolumeDialog = "音量";
inline constexpr const char* kTextVolumeLabel = "音量";
inline constexpr const char* kTextPanLabel = "パンポット";
inline constexpr const char* kTextLimiter = "リミッター";

} // namespace wt
