// The texts of the spectral effects: progress labels, message captions and dialog texts.
#pragma once

namespace wt {

// Progress labels and the captions of their messages.
inline constexpr const char* kLabelGraphicEq = "グラフィックイコライザ";
inline constexpr const char* kCaptionGraphicEq = "EQ";
inline constexpr const char* kLabelParametricEq = "パラメトリックEQ";
inline constexpr const char* kLabelNoiseRemoval = "ノイズ除去";
inline constexpr const char* kCaptionVocoder = "ヴォコーダー";
inline constexpr const char* kCaptionSpectralHighPass = "PITCH";

// Dialog 112.
inline constexpr const char* kCaptionEqualizerDialog = "イコライザー";
inline constexpr const char* kTextEqPlus18 = "+18dB";
inline constexpr const char* kTextEqZero = "0dB";
inline constexpr const char* kTextEqMinus18 = "-18dB";
inline constexpr const char* kTextEqReset = "ﾘｾｯﾄ";
inline constexpr const char* kTextEqPresets = "プリセット";
inline constexpr const char* kTextEqRegister = "登録";
inline constexpr const char* const kTextEqBands[] = {"50",   "100",  "200",  "400",  "800",
                                                     "1.6K", "3.2K", "6.4K", "12.8K"};

// Dialog 12.
inline constexpr const char* kCaptionEqPresetDialog = "イコライザプリセット登録";
inline constexpr const char* kTextEqPresetQuestion = "登録するプリセットNo.?";

// Dialog 13.
inline constexpr const char* kCaptionParametricEqDialog = "パラメトリックイコライザ";
inline constexpr const char* const kTextModules[] = {"モジュール1", "モジュール2", "モジュール3"};
inline constexpr const char* kTextModuleUse = "使用する";
inline constexpr const char* kTextFrequency = "周波数";
inline constexpr const char* kTextLevel = "レベル";
inline constexpr const char* kTextBandwidth = "帯域";
inline constexpr const char* kTextUnitHz = "Hz";
inline constexpr const char* kTextUnitDb = "dB";
inline constexpr const char* kTextUnitTwelfths = "1/12Oct";

// Dialog 8.
inline constexpr const char* kCaptionNoiseRemovalDialog = "ノイズ除去";
inline constexpr const char* kTextRandomNoise = "ランダムノイズ";
inline constexpr const char* kTextImpulseNoise = "インパルスノイズ";

} // namespace wt
