// Measuring the main frequency of generated sound: a Hann-windowed FFT finds the strongest
// bin, and the windowed spectrum is then searched between its neighbours for the peak.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace wt::test {

// In-place radix-2 FFT; the size must be a power of two.
inline void Fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * M_PI / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
                const std::complex<double> a = x[i + k], b = x[i + k + len / 2] * wk;
                x[i + k] = a + b;
                x[i + k + len / 2] = a - b;
            }
        }
    }
}

// The frequency in Hz of the strongest component of `count` (a power of two) values taken
// every `stride` from values[first], sampled at `rate`.
inline double PeakFrequency(const std::vector<int>& values, std::size_t first, std::size_t count,
                            double rate, std::size_t stride = 1) {
    std::vector<double> windowed(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double hann =
            0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / static_cast<double>(count));
        windowed[i] = hann * values[first + i * stride];
    }
    std::vector<std::complex<double>> spectrum(windowed.begin(), windowed.end());
    Fft(spectrum);
    std::size_t peak = 1;
    for (std::size_t k = 1; k < count / 2; ++k) {
        if (std::abs(spectrum[k]) > std::abs(spectrum[peak])) {
            peak = k;
        }
    }
    // The windowed spectrum's magnitude at fractional bin b, maximised by golden-section search
    // between the neighbouring bins.
    auto magnitude = [&](double bin) {
        std::complex<double> sum = 0;
        const double step = -2 * M_PI * bin / static_cast<double>(count);
        for (std::size_t i = 0; i < count; ++i) {
            sum += windowed[i] * std::polar(1.0, step * static_cast<double>(i));
        }
        return std::abs(sum);
    };
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double low = static_cast<double>(peak) - 1, high = static_cast<double>(peak) + 1;
    double a = high - ratio * (high - low), b = low + ratio * (high - low);
    double fa = magnitude(a), fb = magnitude(b);
    for (int i = 0; i < 30; ++i) {
        if (fa < fb) {
            low = a;
            a = b;
            fa = fb;
            b = low + ratio * (high - low);
            fb = magnitude(b);
        } else {
            high = b;
            b = a;
            fb = fa;
            a = high - ratio * (high - low);
            fa = magnitude(a);
        }
    }
    return (low + high) / 2 * rate / static_cast<double>(count);
}

} // namespace wt::test
