// The arithmetic of the spectrogram: the magnitude spectrum of one analysis frame in dB of
// full scale, and the value a picture's column and row show when they cover several frames
// or bins.
//
// Frame i of channel c is the fftSize samples centred on sample i * hop (hop = fftSize / 4),
// samples before the start or after the end of the sound counting as 0, times the periodic
// Hann window w(m) = 0.5 - 0.5 cos(2 pi m / fftSize). Bin k (0 .. fftSize / 2) lies at
// k * rate / fftSize Hz. Its level is 20 log10(|X(k)| / (32768 * fftSize / 4)) dB: a sine at
// full scale on a bin's frequency reads 0 dB. Levels below the floor read as the floor.
#pragma once

#include "model/SoundDocument.h"

#include <cstdint>
#include <vector>

namespace wt {

inline constexpr int kMinSpectrumSize = 256;
inline constexpr int kMaxSpectrumSize = 8192;
inline constexpr int kDefaultSpectrumSize = 2048;
inline constexpr double kSpectrumFloorDb = -120.0;

// The periodic Hann window of an analysis frame: fftSize values.
std::vector<double> SpectrumWindow(int fftSize);
// |X(k)| of a full-scale sine on bin k after that window: the level's 0 dB.
inline double FullScaleMagnitude(int fftSize) {
    return 32768.0 * fftSize / 4;
}

// The analysis frames of a sound of `frames` frames: the last one is the first whose centre
// lies at or after the sound's last frame.
std::int64_t SpectrumFrameCount(std::int64_t frames, int fftSize);

// The level of every bin of frame `index` of `channel` into `db` (fftSize / 2 + 1 values).
void FrameSpectrumDb(const SoundDocument& doc, int channel, std::int64_t index, int fftSize,
                     std::vector<float>& db);

// The frames a picture's column spanning sound frames [first, end) shows: those whose centre
// lies inside it, or, when there is none, the one whose centre is nearest the column's
// centre. Sets [firstFrame, endFrame).
void ColumnFrames(std::int64_t first, std::int64_t end, int fftSize, std::int64_t frameCount,
                  std::int64_t& firstFrame, std::int64_t& endFrame);

// The bins a row spanning frequencies [low, high) Hz shows: those whose frequency lies inside
// it, or the one nearest its centre. Sets [firstBin, endBin).
void RowBins(double low, double high, double rate, int fftSize, int& firstBin, int& endBin);

} // namespace wt
