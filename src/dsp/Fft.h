// The real fast Fourier transform of the spectral effects: in place, radix 2, double
// precision, in the half-complex layout the equalizers and the high-pass scale bins in.
//
// After RealFftForward(n, x), for a block of n real samples:
//   x[k]     = C(k) = sum over m of x[m] * cos(2 pi k m / n),  k = 0 .. n/2
//              (x[0] is the DC sum, x[n/2] the Nyquist sum);
//   x[n - k] = S(k) = sum over m of x[m] * sin(2 pi k m / n),  k = 1 .. n/2 - 1.
// In terms of the complex transform X(k), x[k] is Re X(k) and x[n - k] is -Im X(k).
//
// The forward transform is unnormalised; RealFftInverse returns n/2 times the signal, so a
// forward and an inverse transform multiply every sample by n/2. Callers divide their samples
// by n/2 before the forward transform to get them back at their own scale.
//
// n must be a power of two of at least 4; any other size trips an assertion in debug builds
// and leaves the array untouched otherwise. Neither routine allocates memory after the first
// transform of a size (which builds that size's twiddle table once).
#pragma once

#include <cstddef>
#include <cstdint>

namespace wt {

// True for the sizes the transforms accept: powers of two from 4 up.
bool IsFftSize(std::int32_t n);

void RealFftForward(std::int32_t n, double* x);
void RealFftInverse(std::int32_t n, double* x);

// Four blocks transformed side by side, lane b holding block b (element m of the array is
// sample m of all four). Each lane's result is bit for bit the one the single-block routine
// gives for that block; on processors with AVX2 the four cost little more than one. The
// array must be aligned to kFftQuadAlign bytes.
using FftQuad = double __attribute__((vector_size(32)));
inline constexpr std::size_t kFftQuadAlign = 32;

void RealFftForwardQuad(std::int32_t n, FftQuad* x);
void RealFftInverseQuad(std::int32_t n, FftQuad* x);

// The bit-reversal permutation of size n (n entries; entry m is m with its log2(n) bits
// reversed), built once per size; nullptr for a size the transforms refuse.
const std::int32_t* FftBitReversal(std::int32_t n);
// The same transforms without their reordering pass, for callers that fill or read the array
// in permuted order anyway: the forward one takes sample m at element reversal[m], the
// inverse one leaves sample m at element reversal[m]. The spectrum is in the usual layout.
void RealFftForwardQuadFromReversed(std::int32_t n, FftQuad* x);
void RealFftInverseQuadToReversed(std::int32_t n, FftQuad* x);

} // namespace wt
