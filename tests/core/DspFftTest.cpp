// The real FFT against the cosine and sine sums it stands for, evaluated directly in the test.
#include "dsp/Fft.h"
#include "dsp/Spectrogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace wt;

namespace {

const double kTwoPi = std::atan(1.0) * 8;

std::vector<double> RandomBlock(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-32768.0, 32767.0);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& v : x) {
        v = value(random);
    }
    return x;
}

// The half-complex layout by its definition: C(k) at k, S(k) at n - k.
std::vector<double> DirectSums(const std::vector<double>& x) {
    const int n = static_cast<int>(x.size());
    std::vector<double> spectrum(x.size());
    for (int k = 0; k <= n / 2; ++k) {
        long double c = 0, s = 0;
        for (int m = 0; m < n; ++m) {
            // The angle reduced modulo n first keeps it exact for large k * m.
            const long double angle = kTwoPi * ((static_cast<long long>(k) * m) % n) / n;
            c += x[m] * std::cos(angle);
            s += x[m] * std::sin(angle);
        }
        spectrum[k] = static_cast<double>(c);
        if (k > 0 && k < n / 2) {
            spectrum[n - k] = static_cast<double>(s);
        }
    }
    return spectrum;
}

TEST(RealFft, ForwardGivesTheCosineAndSineSums) {
    for (int n : {4, 8, 16, 64, 256}) {
        const std::vector<double> x = RandomBlock(n, 7u + n);
        std::vector<double> y = x;
        RealFftForward(n, y.data());
        const std::vector<double> expected = DirectSums(x);
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(y[k], expected[k], 1e-11 * n * 32768) << "n " << n << " element " << k;
        }
    }
}

TEST(RealFft, InverseAfterForwardReturnsHalfNTimesTheInput) {
    for (int n : {4, 1024, 4096}) {
        const std::vector<double> x = RandomBlock(n, 11u + n);
        std::vector<double> y = x;
        RealFftForward(n, y.data());
        RealFftInverse(n, y.data());
        for (int m = 0; m < n; ++m) {
            ASSERT_NEAR(y[m] / (n / 2), x[m], 1e-9) << "n " << n << " sample " << m;
        }
    }
}

// Signals with one known spectrum line: where the layout puts it and that nothing else moves.
struct LineCase {
    const char* name;
    int n;
    int kind; // 0 constant, 1 cosine of frequency k, 2 sine of frequency k, 3 impulse at 0
    int k;
    double amplitude;
};

TEST(RealFft, SingleLinesLandInTheirElements) {
    const LineCase cases[] = {
        {"constant", 1024, 0, 0, 3.0},        {"cosine 5", 1024, 1, 5, 100.0},
        {"cosine nyquist-1", 64, 1, 31, 2.0}, {"sine 5", 1024, 2, 5, 100.0},
        {"sine 1", 4096, 2, 1, 7.0},          {"impulse", 16, 3, 0, 1.0},
    };
    for (const LineCase& c : cases) {
        std::vector<double> x(static_cast<std::size_t>(c.n), 0.0), expected(x.size(), 0.0);
        for (int m = 0; m < c.n; ++m) {
            const double angle = kTwoPi * ((static_cast<long long>(c.k) * m) % c.n) / c.n;
            x[m] = c.kind == 0   ? c.amplitude
                   : c.kind == 1 ? c.amplitude * std::cos(angle)
                   : c.kind == 2 ? c.amplitude * std::sin(angle)
                                 : (m == 0 ? c.amplitude : 0.0);
        }
        if (c.kind == 0) {
            expected[0] = c.n * c.amplitude;
        } else if (c.kind == 1) {
            expected[c.k] = c.amplitude * c.n / 2;
        } else if (c.kind == 2) {
            expected[c.n - c.k] = c.amplitude * c.n / 2;
        } else {
            // An impulse has every cosine sum equal to it and no sine sums.
            for (int k = 0; k <= c.n / 2; ++k) {
                expected[k] = c.amplitude;
            }
        }
        RealFftForward(c.n, x.data());
        for (int e = 0; e < c.n; ++e) {
            EXPECT_NEAR(x[e], expected[e], 1e-9 * c.n * c.amplitude) << c.name << " element " << e;
        }
    }
}

// The transforms as first written down: twiddles from the library's cosine and sine at the
// point of use, the angle halved (forward) or doubled (inverse) from stage to stage.
void BitReverse(int n, double* x) {
    for (int i = 1, j = 0; i < n - 1; ++i) {
        int k = n / 2;
        j ^= k;
        while (k > j) {
            k /= 2;
            j ^= k;
        }
        if (j > i) {
            std::swap(x[i], x[j]);
        }
    }
}

void OnTheFlyForward(int n, double* x) {
    BitReverse(n, x);
    double theta = -kTwoPi;
    for (int k = 1; 2 * k <= n; k *= 2) {
        const int size = 2 * k;
        theta /= 2;
        for (int j = 0; j < n; j += size) {
            const double t = x[j + k];
            x[j + k] = x[j] - t;
            x[j] = x[j] + t;
        }
        for (int i = 1; i <= k / 2 - 1; ++i) {
            const double c = std::cos(i * theta), s = std::sin(i * theta);
            for (int j = 0; j < n; j += size) {
                const int a = j + k + i, b = j + k - i, cc = j + i, d = j + size - i;
                const double t1 = c * x[a] + s * x[d], t2 = c * x[d] - s * x[a];
                x[a] = t2 - x[b];
                x[d] = t2 + x[b];
                x[b] = x[cc] - t1;
                x[cc] = x[cc] + t1;
            }
        }
    }
}

void OnTheFlyInverse(int n, double* x) {
    x[0] /= 2;
    x[n / 2] /= 2;
    double phi = kTwoPi / n;
    for (int size = n; size >= 2; size /= 2) {
        const int k = size / 2;
        for (int j = 0; j < n; j += size) {
            const double t = x[j] - x[j + k];
            x[j] = x[j] + x[j + k];
            x[j + k] = t;
        }
        for (int i = 1; i <= k / 2 - 1; ++i) {
            const double c = std::cos(i * phi), s = std::sin(i * phi);
            for (int j = 0; j < n; j += size) {
                const int a = j + k + i, b = j + k - i, cc = j + i, d = j + size - i;
                const double t1 = x[cc] - x[b], t2 = x[d] + x[a];
                x[cc] = x[cc] + x[b];
                x[b] = x[d] - x[a];
                x[a] = c * t1 + s * t2;
                x[d] = c * t2 - s * t1;
            }
        }
        phi *= 2;
    }
    BitReverse(n, x);
}

TEST(RealFft, TablesGiveBitForBitTheTwiddlesComputedOnTheFly) {
    for (int n : {16, 1024, 4096}) {
        const std::vector<double> x = RandomBlock(n, 5u + n);
        std::vector<double> table = x, direct = x;
        RealFftForward(n, table.data());
        OnTheFlyForward(n, direct.data());
        ASSERT_EQ(std::memcmp(table.data(), direct.data(), n * sizeof(double)), 0) << n;
        RealFftInverse(n, table.data());
        OnTheFlyInverse(n, direct.data());
        ASSERT_EQ(std::memcmp(table.data(), direct.data(), n * sizeof(double)), 0) << n;
    }
}

TEST(RealFft, QuadTransformsEachLaneBitForBitAsAlone) {
    for (int n : {4, 1024, 4096}) {
        std::vector<double> lanes[4];
        for (unsigned lane = 0; lane < 4; ++lane) {
            lanes[lane] = RandomBlock(n, 20 + lane);
        }
        auto* quad = static_cast<FftQuad*>(std::aligned_alloc(kFftQuadAlign, n * sizeof(FftQuad)));
        ASSERT_NE(quad, nullptr);
        for (int m = 0; m < n; ++m) {
            quad[m] = FftQuad{lanes[0][m], lanes[1][m], lanes[2][m], lanes[3][m]};
        }
        for (int direction = 0; direction < 2; ++direction) {
            for (auto& lane : lanes) {
                direction == 0 ? RealFftForward(n, lane.data()) : RealFftInverse(n, lane.data());
            }
            direction == 0 ? RealFftForwardQuad(n, quad) : RealFftInverseQuad(n, quad);
            for (int m = 0; m < n; ++m) {
                for (int lane = 0; lane < 4; ++lane) {
                    const double value = quad[m][lane];
                    ASSERT_EQ(std::memcmp(&value, &lanes[lane][m], sizeof(double)), 0)
                        << "n " << n << " lane " << lane << " element " << m;
                }
            }
        }
        std::free(quad);
    }
}

#ifndef NDEBUG
TEST(RealFftDeathTest, SizesBelowFourOrNotPowersOfTwoAreRefused) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int n : {0, 2, 6, 1000}) {
        std::vector<double> x(static_cast<std::size_t>(std::max(n, 1)), 1.0);
        EXPECT_DEATH(RealFftForward(n, x.data()), "power of two") << n;
        EXPECT_DEATH(RealFftInverse(n, x.data()), "power of two") << n;
    }
}
#endif

} // namespace

// The frames a column shows and the bins a row shows: those whose centre lies inside it, or
// the nearest one when there is none (a column or row narrower than a frame or a bin).
TEST(SpectrumLayout, ColumnsAndRowsTakeWhatLiesInsideOrTheNearest) {
    struct Column {
        std::int64_t first, end, firstFrame, endFrame;
    };
    // Size 2048: frames centred every 512 samples; 100 frames.
    for (const Column c : std::initializer_list<Column>{{0, 2048, 0, 4},
                                                        {1, 1024, 1, 2},
                                                        {600, 700, 1, 2}, // nearest: 650 / 512
                                                        {700, 800, 1, 2}, // 750 / 512 rounds to 1
                                                        {800, 900, 2, 3}, // 850 / 512 rounds to 2
                                                        {50000, 60000, 98, 100},
                                                        {70000, 70001, 99, 100}}) {
        std::int64_t a = 0, b = 0;
        ColumnFrames(c.first, c.end, 2048, 100, a, b);
        EXPECT_EQ(a, c.firstFrame) << c.first;
        EXPECT_EQ(b, c.endFrame) << c.first;
    }
    struct Row {
        double low, high;
        int firstBin, endBin;
    };
    // 8000 Hz, size 256: bins every 31.25 Hz, 0 .. 128.
    for (const Row r : std::initializer_list<Row>{
             {0, 100, 0, 4}, {40, 50, 1, 2}, {50, 60, 2, 2 + 1}, {3990, 4000, 128, 129}}) {
        int a = 0, b = 0;
        RowBins(r.low, r.high, 8000, 256, a, b);
        EXPECT_EQ(a, r.firstBin) << r.low;
        EXPECT_EQ(b, r.endBin) << r.low;
    }
}
