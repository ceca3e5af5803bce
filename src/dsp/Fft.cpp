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
    std::vector<std::int32_t> reversed;                       // i with its bits reversed

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
        reversed.assign(static_cast<std::size_t>(n), 0);
        reversed[static_cast<std::size_t>(n - 1)] = n - 1;
        std::int32_t j = 0;
        for (std::int32_t i = 1; i < n - 1; ++i) {
            std::int32_t k = n / 2;
            j ^= k;
            while (k > j) {
                k /= 2;
                j ^= k;
            }
            reversed[static_cast<std::size_t>(i)] = j;
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

// The butterflies of the transforms, each the same arithmetic on one lane (V = double) or on
// four side by side (V = FftQuad).
//
// Decimation in time: the butterfly of twiddle (c, s) on the four elements it combines, and
// the three smallest stages (block sizes 2, 4 and 8, the last with the one twiddle of i = 1)
// on a group of eight elements.
struct ForwardKernels {
    template <class V>
    [[gnu::always_inline]] static inline void Butterfly(double c, double s, V& a, V& b, V& cc,
                                                        V& d) {
        const V t1 = c * a + s * d;
        const V t2 = c * d - s * a;
        a = t2 - b;
        d = t2 + b;
        b = cc - t1;
        cc = cc + t1;
    }
    template <class V>
    [[gnu::always_inline]] static inline void Eight(double c, double s, V& x0, V& x1, V& x2, V& x3,
                                                    V& x4, V& x5, V& x6, V& x7) {
        V t = x1;
        x1 = x0 - t;
        x0 = x0 + t;
        t = x3;
        x3 = x2 - t;
        x2 = x2 + t;
        t = x5;
        x5 = x4 - t;
        x4 = x4 + t;
        t = x7;
        x7 = x6 - t;
        x6 = x6 + t;
        t = x2;
        x2 = x0 - t;
        x0 = x0 + t;
        t = x6;
        x6 = x4 - t;
        x4 = x4 + t;
        t = x4;
        x4 = x0 - t;
        x0 = x0 + t;
        Butterfly(c, s, x5, x3, x1, x7);
    }
};

// Decimation in frequency, the mirror of ForwardKernels: the butterfly, and block sizes 8
// (with its one twiddle), 4 and 2 on a group of eight.
struct InverseKernels {
    template <class V>
    [[gnu::always_inline]] static inline void Butterfly(double c, double s, V& a, V& b, V& cc,
                                                        V& d) {
        const V t1 = cc - b;
        const V t2 = d + a;
        cc = cc + b;
        b = d - a;
        a = c * t1 + s * t2;
        d = c * t2 - s * t1;
    }
    template <class V>
    [[gnu::always_inline]] static inline void Eight(double c, double s, V& x0, V& x1, V& x2, V& x3,
                                                    V& x4, V& x5, V& x6, V& x7) {
        V t = x0 - x4;
        x0 = x0 + x4;
        x4 = t;
        Butterfly(c, s, x5, x3, x1, x7);
        t = x0 - x2;
        x0 = x0 + x2;
        x2 = t;
        t = x4 - x6;
        x4 = x4 + x6;
        x6 = t;
        t = x0 - x1;
        x0 = x0 + x1;
        x1 = t;
        t = x2 - x3;
        x2 = x2 + x3;
        x3 = t;
        t = x4 - x5;
        x4 = x4 + x5;
        x5 = t;
        t = x6 - x7;
        x6 = x6 + x7;
        x7 = t;
    }
};

// One stage of block size `blockSize` (half k): in every block the first element and the one
// k on take their sum and difference, and each twiddle i = 1 .. k/2 - 1, at n / blockSize
// table steps per i, combines x[j + k + i], x[j + k - i], x[j + i] and x[j + blockSize - i].
// The butterflies of one stage touch disjoint elements, so walking block by block (rather than
// twiddle by twiddle across the blocks) gives the same results.
template <class Kernels, class V>
[[gnu::always_inline]] inline void Stage(std::int32_t n, std::int32_t blockSize,
                                         const std::vector<double>& cosines,
                                         const std::vector<double>& sines, V* x) {
    const std::int32_t k = blockSize / 2;
    const std::int32_t stride = n / blockSize;
    for (std::int32_t j = 0; j < n; j += blockSize) {
        const V t = x[j + k];
        x[j + k] = x[j] - t;
        x[j] = x[j] + t;
        for (std::int32_t i = 1; i <= k / 2 - 1; ++i) {
            Kernels::Butterfly(cosines[i * stride], sines[i * stride], x[j + k + i], x[j + k - i],
                               x[j + i], x[j + blockSize - i]);
        }
    }
}

// The three smallest stages, which stay inside groups of eight elements, done group by group
// in one pass; (c, s) is the twiddle of angle 2 pi / 8 of the direction.
template <class Kernels, class V>
[[gnu::always_inline]] inline void SmallestStages(std::int32_t n, double c, double s, V* x) {
    for (std::int32_t j = 0; j < n; j += 8) {
        V x0 = x[j], x1 = x[j + 1], x2 = x[j + 2], x3 = x[j + 3];
        V x4 = x[j + 4], x5 = x[j + 5], x6 = x[j + 6], x7 = x[j + 7];
        Kernels::Eight(c, s, x0, x1, x2, x3, x4, x5, x6, x7);
        x[j] = x0;
        x[j + 1] = x1;
        x[j + 2] = x2;
        x[j + 3] = x3;
        x[j + 4] = x4;
        x[j + 5] = x5;
        x[j + 6] = x6;
        x[j + 7] = x7;
    }
}

// Decimation in time on an array already in bit-reversed order, smallest blocks first.
template <class V> [[gnu::always_inline]] inline void ForwardStages(std::int32_t n, V* x) {
    const FftTable& table = TableFor(n);
    std::int32_t k = 1; // half the block size
    if (n >= 8) {
        SmallestStages<ForwardKernels>(n, table.forwardCos[n / 8], table.forwardSin[n / 8], x);
        k = 8;
    }
    for (; 2 * k <= n; k *= 2) {
        Stage<ForwardKernels>(n, 2 * k, table.forwardCos, table.forwardSin, x);
    }
}

// Decimation in frequency, the mirror of ForwardStages, largest blocks first, leaving the
// samples in bit-reversed order.
template <class V> [[gnu::always_inline]] inline void InverseStages(std::int32_t n, V* x) {
    const FftTable& table = TableFor(n);
    x[0] = x[0] / 2;
    x[n / 2] = x[n / 2] / 2;
    const std::int32_t smallest = n >= 8 ? 16 : 2;
    for (std::int32_t blockSize = n; blockSize >= smallest; blockSize /= 2) {
        Stage<InverseKernels>(n, blockSize, table.inverseCos, table.inverseSin, x);
    }
    if (n >= 8) {
        SmallestStages<InverseKernels>(n, table.inverseCos[n / 8], table.inverseSin[n / 8], x);
    }
}

template <class V> [[gnu::always_inline]] inline void Forward(std::int32_t n, V* x) {
    BitReverse(TableFor(n), x);
    ForwardStages(n, x);
}

template <class V> [[gnu::always_inline]] inline void Inverse(std::int32_t n, V* x) {
    InverseStages(n, x);
    BitReverse(TableFor(n), x);
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

const std::int32_t* FftBitReversal(std::int32_t n) {
    return Accepts(n) ? TableFor(n).reversed.data() : nullptr;
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

[[gnu::target_clones("avx2", "default")]] void RealFftForwardQuadFromReversed(std::int32_t n,
                                                                              FftQuad* x) {
    if (Accepts(n)) {
        ForwardStages(n, x);
    }
}

[[gnu::target_clones("avx2", "default")]] void RealFftInverseQuadToReversed(std::int32_t n,
                                                                            FftQuad* x) {
    if (Accepts(n)) {
        InverseStages(n, x);
    }
}

} // namespace wt
