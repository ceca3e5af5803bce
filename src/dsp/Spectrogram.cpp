#include "dsp/Spectrogram.h"

#include "dsp/Fft.h"

#include <algorithm>
#include <cmath>

namespace wt {

namespace {

constexpr double kPi = 3.14159265358979323846;

int Hop(int fftSize) {
    return fftSize / 4;
}

} // namespace

std::vector<double> SpectrumWindow(int fftSize) {
    std::vector<double> window(static_cast<std::size_t>(fftSize));
    for (int m = 0; m < fftSize; ++m) {
        window[static_cast<std::size_t>(m)] = 0.5 - 0.5 * std::cos(2 * kPi * m / fftSize);
    }
    return window;
}

std::int64_t SpectrumFrameCount(std::int64_t frames, int fftSize) {
    return frames <= 0 ? 0 : (frames - 1) / Hop(fftSize) + 1;
}

void FrameSpectrumDb(const SoundDocument& doc, int channel, std::int64_t index, int fftSize,
                     std::vector<float>& db) {
    std::vector<double> x(static_cast<std::size_t>(fftSize));
    const std::vector<double> window = SpectrumWindow(fftSize);
    const int align = doc.format.blockAlign;
    const std::int64_t frames = align > 0 ? doc.byteLength / align : 0;
    const std::int64_t start = index * Hop(fftSize) - fftSize / 2;
    for (int m = 0; m < fftSize; ++m) {
        const std::int64_t f = start + m;
        const int sample =
            f >= 0 && f < frames ? ReadSample(doc, doc.Data() + f * align, channel) : 0;
        x[static_cast<std::size_t>(m)] = sample * window[static_cast<std::size_t>(m)];
    }
    RealFftForward(fftSize, x.data());
    const int half = fftSize / 2;
    const double full = FullScaleMagnitude(fftSize);
    db.resize(static_cast<std::size_t>(half) + 1);
    for (int k = 0; k <= half; ++k) {
        const double re = x[static_cast<std::size_t>(k)];
        const double im = k == 0 || k == half ? 0.0 : x[static_cast<std::size_t>(fftSize - k)];
        const double magnitude = std::sqrt(re * re + im * im) / full;
        db[static_cast<std::size_t>(k)] = static_cast<float>(
            magnitude > 0 ? std::max(kSpectrumFloorDb, 20 * std::log10(magnitude))
                          : kSpectrumFloorDb);
    }
}

void ColumnFrames(std::int64_t first, std::int64_t end, int fftSize, std::int64_t frameCount,
                  std::int64_t& firstFrame, std::int64_t& endFrame) {
    const std::int64_t hop = Hop(fftSize);
    // Centres i * hop inside [first, end): i from ceil(first / hop) to ceil(end / hop).
    firstFrame =
        std::clamp<std::int64_t>((std::max<std::int64_t>(first, 0) + hop - 1) / hop, 0, frameCount);
    endFrame =
        std::clamp<std::int64_t>((std::max<std::int64_t>(end, 0) + hop - 1) / hop, 0, frameCount);
    if (firstFrame >= endFrame && frameCount > 0) {
        const double centre = (static_cast<double>(first) + static_cast<double>(end)) / 2;
        firstFrame = std::clamp<std::int64_t>(std::llround(centre / hop), 0, frameCount - 1);
        endFrame = firstFrame + 1;
    }
}

void RowBins(double low, double high, double rate, int fftSize, int& firstBin, int& endBin) {
    const int half = fftSize / 2;
    const double width = rate / fftSize; // Hz per bin
    firstBin = std::clamp(static_cast<int>(std::ceil(low / width)), 0, half + 1);
    endBin = std::clamp(static_cast<int>(std::ceil(high / width)), 0, half + 1);
    if (firstBin >= endBin) {
        firstBin = std::clamp(static_cast<int>(std::lround((low + high) / 2 / width)), 0, half);
        endBin = firstBin + 1;
    }
}

} // namespace wt
