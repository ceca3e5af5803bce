// The texts of the generators: dialog captions, labels and units, progress labels and the
// messages with their captions.
#pragma once

namespace wt {

// Progress labels.
inline constexpr const char* kLabelNoise = "Noise";
inline constexpr const char* kLabelTone = "Tone";
inline constexpr const char* kLabelMelody = "Melody";

// Dialog 105.
inline constexpr const char* kCaptionNoiseDialog = "ノイズ";
inline constexpr const char* kTextVolumeLabel = "音量";
inline constexpr const char* kTextTimeLabel = "時間";
inline constexpr const char* kTextPercentUnit = "%";
inline constexpr const char* kTextMsUnit = "mSec";
inline constexpr const char* kTextStereoNoise = "ステレオノイズ";

// Dialog 106.
inline constexpr const char* kCaptionToneDialog = "トーン";
inline constexpr const char* kTextFrequencyLabel = "周波数";
inline constexpr const char* kTextHzUnit = "Hz";
inline constexpr const char* kTextWaveformGroup = "波形";
inline constexpr const char* kTextSquare = "矩形波";
inline constexpr const char* kTextSine = "正弦波";
inline constexpr const char* kTextSawtooth = "鋸歯波";
inline constexpr const char* kTextFmGroup = "FM";
inline constexpr const char* kTextUseFm = "ＦＭ使用";
inline constexpr const char* kTextDepthLabel = "デプス";
inline constexpr const char* kTextRatioLabel = "周波数レシオ";
inline constexpr const char* kTextRatioUnit = "1/10Freq";

// Dialog 108.
inline constexpr const char* kCaptionSilenceDialog = "サイレント挿入";

// Dialog 104.
inline constexpr const char* kCaptionMelodyDialog = "メロディペースト";
inline constexpr const char* kTextTempoGroup = "テンポ";
inline constexpr const char* kTextMelodyLabel = "メロディ";
inline constexpr const char* kTextClear = "ｸﾘｱ";
inline constexpr const char* kTextBack = "後退";
inline constexpr const char* kTextRest = "休符";
inline constexpr const char* kTextLengthCaptions[8] = {"2分", "符点2分", "4分",  "符点4分",
                                                       "8分", "符点8分", "16分", "符点16分"};

// Captions of the messages: out of memory under the display names; the melody paste's.
inline constexpr const char* kCaptionNoise = "ノイズ";
inline constexpr const char* kCaptionTone = "トーン";
inline constexpr const char* kCaptionSilence = "サイレント挿入";
inline constexpr const char* kCaptionMelody = "メロディペースト";
inline constexpr const char* kCaptionMelodyMemory = "MELODY PASTE";

// A tone whose period would be shorter than one sample: more than one cycle per sample
// cannot be generated at this rate.
inline constexpr const char* kTextToneTooHigh =
    "周波数がサンプリング周波数より高いため作成できません";
inline constexpr const char* kTextClipboardEmpty =
    "クリップボードにデータを入れてから使用してください";
inline constexpr const char* kTextMelodyMalformed = "メロディ記述が異常です";

} // namespace wt
