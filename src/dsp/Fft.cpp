#include "dsp/Fft.h"

#include <array>
#include <cassert>
#include <cmath>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace wt {

namespace {

constexpr int kMaxLog2 = 30;

// The twiddle factors and the bit-reversal exchanges of one size n.
//
// Stage L (block size L = 2k) of the forward transform uses cos and sin of i * theta_L for
// i = 1 .. k/2 - 1, with theta_L = -2 pi / L reached by halving -2 pi; the inverse uses
// i * phi_L with phi_L = 2 pi / L. Since n / L is a power of two, theta_L = (n / L) * theta_n
// exactly, and the rounded product i * theta_L equals the rounded product m * theta_n for
// m = i * n / L: one table of cos and sin of m * theta_n (m = 0 .. n/4 - 1), computed with
// the library functions on those very products, holds bit for bit the values every stage
// would compute on the fly.
struct FftTable {
    std::vector<double> forwardCos, forwardSin;               // of m * (-2 pi / n)
    std::vector<double> inverseCos, inverseSin;               // of m * (2 pi / n)
    std::vector<std::pair<std::int32_t, std::int32_t>> swaps; // bit-reversal exchanges i < j

    explicit FftTable(std::int32_t n) {
        // 2 pi as the arc tangent of 1 times 8.
        const double twoPi = std::atan(1.0) * 8;
        const double theta = -twoPi / n;
        const double phi = twoPi / n;
        const std::int32_t quarter = n / 4;
        forwardCos.resize(quarter);
        forwardSin.resize(quarter);
        inverseCos.resize(quarter);
        inverseSin.resize(quarter);
        for (std::int32_t m = 0; m < quarter; ++m) {
            forwardCos[m] = std::cos(m * theta);
            forwardSin[m] = std::sin(m * theta);
            inverseCos[m] = std::cos(m * phi);
            inverseSin[m] = std::sin(m * phi);
        }
        // The reversed-increment walk: j is i with its log2(n) bits reversed.
        std::int32_t j = 0;
        for (std::int32_t i = 1; i < n - 1; ++i) {
            std::int32_t k = n / 2;
            j ^= k;
            while (k > j) {
                k /= 2;
                j ^= k;
            }
            if (j > i) {
                swaps.emplace_back(i, j);
            }
        }
    }
};

int Log2(std::int32_t n) {
    int bits = 0;
    while ((std::int32_t{1} << bits) < n) {
        ++bits;
    }
    return bits;
}

// The table of size n, built the first time that size is transformed.
const FftTable& TableFor(std::int32_t n) {
    static std::array<std::once_flag, kMaxLog2 + 1> built;
    static std::array<std::unique_ptr<FftTable>, kMaxLog2 + 1> tables;
    const int log2n = Log2(n);
    std::call_once(built[log2n], [&] { tables[log2n] = std::make_unique<FftTable>(n); });
    return *tables[log2n];
}

template <class V> [[gnu::always_inline]] inline void BitReverse(const FftTable& table, V* x) {
    for (const auto& [i, j] : table.swaps) {
        const V t = x[i];
        x[i] = x[j];
        x[j] = t;
    }
}

// Decimation in time. The butterflies of one stage touch disjoint elements, so walking block
// by block (rather than twiddle by twiddle across the blocks) gives the same results.
template <class V> [[gnu::always_inline]] inline void Forward(std::int32_t n, V* x) {
    const FftTable& table = TableFor(n);
    BitReverse(table, x);
    for (std::int32_t k = 1; 2 * k <= n; k *= 2) {
        const std::int32_t blockSize = 2 * k;
        const std::int32_t stride = n / blockSize;
        for (std::int32_t j = 0; j < n; j += blockSize) {
            const V t = x[j + k];
            x[j + k] = x[j] - t;
            x[j] = x[j] + t;
            for (std::int32_t i = 1; i <= k / 2 - 1; ++i) {
                const double c = table.forwardCos[i * stride];
                const double s = table.forwardSin[i * stride];
                V& a = x[j + k + i];
                V& b = x[j + k - i];
                V& cc = x[j + i];
                V& d = x[j + blockSize - i];
                const V t1 = c * a + s * d;
                const V t2 = c * d - s * a;
                a = t2 - b;
                d = t2 + b;
                b = cc - t1;
                cc = cc + t1;
            }
        }
    }
}

// Decimation in frequency, the mirror of Forward.
template <class V> [[gnu::always_inline]] inline void Inverse(std::int32_t n, V* x) {
    const FftTable& table = TableFor(n);
    x[0] = x[0] / 2;
    x[n / 2] = x[n / 2] / 2;
    for (std::int32_t blockSize = n; blockSize >= 2; blockSize /= 2) {
        const std::int32_t k = blockSize / 2;
        const std::int32_t stride = n / blockSize;
        for (std::int32_t j = 0; j < n; j += blockSize) {
            const V t = x[j] - x[j + k];
            x[j] = x[j] + x[j + k];
            x[j + k] = t;
            for (std::int32_t i = 1; i <= k / 2 - 1; ++i) {
                const double c = table.inverseCos[i * stride];
                const double s = table.inverseSin[i * stride];
                V& a = x[j + k + i];
                V& b = x[j + k - i];
                V& cc = x[j + i];
                V& d = x[j + blockSize - i];
                const V t1 = cc - b;
                const V t2 = d + a;
                cc = cc + b;
                b = d - a;
                a = c * t1 + s * t2;
                d = c * t2 - s * t1;
            }
        }
    }
    BitReverse(table, x);
}

// The debug build stops on a size no caller should pass; a release build leaves the array
// alone rather than walk outside it.
bool Accepts(std::int32_t n) {
    const bool ok = IsFftSize(n);
    assert(ok && "FFT size must be a power of two of at least 4");
    return ok;
}

} // namespace

bool IsFftSize(std::int32_t n) {
    return n >= 4 && n <= (std::int32_t{1} << kMaxLog2) && (n & (n - 1)) == 0;
}

void RealFftForward(std::int32_t n, double* x) {
    if (Accepts(n)) {
        Forward(n, x);
    }
}

void RealFftInverse(std::int32_t n, double* x) {
    if (Accepts(n)) {
        Inverse(n, x);
    }
}

// The four-lane routines are built twice, for AVX2 and for the baseline instruction set, and
// the loader picks one for the processor. Neither contracts a product and a sum into one
// rounding (that would need FMA, which neither target enables), so every lane computes what
// the scalar routine computes.
[[gnu::target_clones("avx2", "default")]] void RealFftForwardQuad(std::int32_t n, FftQuad* x) {
    if (Accepts(n)) {
        Forward(n, x);
    }
}

[[gnu::target_clones("avx2", "default")]] void RealFftInverseQuad(std::int32_t n, FftQuad* x) {
    if (Accepts(n)) {
        Inverse(n, x);
    }
}

} // namespace wt
