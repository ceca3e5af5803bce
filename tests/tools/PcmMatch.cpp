// Compares raw 16-bit little-endian stereo sound captured from a sound server with what was
// sent to it. The expected sound is found in the capture by normalised cross-correlation; then
// every sample from there on must be equal, none changed, missing or repeated.
//
//   wt_pcm_match contains REF CAPTURE       REF appears whole in CAPTURE
//   wt_pcm_match loop SLICE CAPTURE MIN     SLICE repeats back to back at least MIN times
//   wt_pcm_match excerpt SOURCE PART        PART is an unbroken run of SOURCE
//   wt_pcm_match switch A B CAPTURE AT FADE A looped, then B looped from the same place after
//                                           a crossfade of at most FADE frames, no frame lost;
//                                           prints the frames from AT (frames of A heard when
//                                           B was asked for) to B's first frame
//
// Exit status 0 when the check holds, 1 when not (with the reason on standard error), 2 for
// bad arguments or unreadable files.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kChannels = 2;
constexpr std::size_t kWindowFrames = 256; // frames correlated to find the match

using Samples = std::vector<std::int16_t>;

bool Load(const std::string& path, Samples& samples) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    samples.resize(bytes.size() / 2 / kChannels * kChannels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | hi << 8));
    }
    return true;
}

std::size_t Frames(const Samples& s) {
    return s.size() / kChannels;
}

struct Match {
    std::size_t frame = 0;   // where in the haystack the window starts
    double correlation = -2; // normalised, 1 for a perfect match
};

// The frame offset of `haystack` whose next kWindowFrames frames correlate best with the
// window of `needle` starting at frame `from`.
Match Locate(const Samples& needle, std::size_t from, const Samples& haystack) {
    const std::size_t n = kWindowFrames * kChannels;
    const std::int16_t* w = needle.data() + from * kChannels;
    double windowEnergy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        windowEnergy += double(w[i]) * w[i];
    }
    Match best;
    if (Frames(haystack) < kWindowFrames || windowEnergy == 0) {
        return best;
    }
    double energy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        energy += double(haystack[i]) * haystack[i];
    }
    for (std::size_t f = 0;; ++f) {
        const std::int16_t* h = haystack.data() + f * kChannels;
        std::int64_t dot = 0;
        for (std::size_t i = 0; i < n; ++i) {
            dot += std::int64_t{w[i]} * h[i];
        }
        if (energy > 0) {
            const double c = double(dot) / std::sqrt(windowEnergy * energy);
            if (c > best.correlation + 1e-12) {
                best = {f, c};
            }
        }
        if (f + kWindowFrames >= Frames(haystack)) {
            return best;
        }
        for (std::size_t ch = 0; ch < kChannels; ++ch) {
            energy -= double(h[ch]) * h[ch];
            energy += double(h[n + ch]) * h[n + ch];
        }
    }
}

// Compares `count` frames of a (from frame a0) with b (from frame b0); reports the first
// difference.
bool SameFrames(const Samples& a, std::size_t a0, const Samples& b, std::size_t b0,
                std::size_t count, const char* what) {
    for (std::size_t i = 0; i < count * kChannels; ++i) {
        const std::int16_t x = a[a0 * kChannels + i], y = b[b0 * kChannels + i];
        if (x != y) {
            std::cerr << what << ": frame " << i / kChannels << " channel " << i % kChannels
                      << " differs: " << x << " expected, " << y << " found\n";
            return false;
        }
    }
    return true;
}

int Contains(const Samples& ref, const Samples& capture) {
    if (Frames(ref) < kWindowFrames) {
        std::cerr << "the reference is too short\n";
        return 2;
    }
    const Match m = Locate(ref, 0, capture);
    std::cout << "found at frame " << m.frame << ", correlation " << m.correlation << "\n";
    if (m.frame + Frames(ref) > Frames(capture)) {
        std::cerr << "the capture ends " << m.frame + Frames(ref) - Frames(capture)
                  << " frames before the end of the reference\n";
        return 1;
    }
    return SameFrames(ref, 0, capture, m.frame, Frames(ref), "contains") ? 0 : 1;
}

int Loop(const Samples& slice, const Samples& capture, long minimum) {
    const std::size_t len = Frames(slice);
    if (len < kWindowFrames || minimum < 1) {
        std::cerr << "the slice is too short\n";
        return 2;
    }
    const Match m = Locate(slice, 0, capture);
    long repeats = 0;
    std::size_t at = m.frame;
    while (at + len <= Frames(capture) &&
           std::equal(slice.begin(), slice.end(), capture.begin() + at * kChannels)) {
        ++repeats;
        at += len;
    }
    std::cout << "found at frame " << m.frame << ", correlation " << m.correlation << ", "
              << repeats << " repeats back to back\n";
    if (repeats >= minimum) {
        return 0;
    }
    if (at + len <= Frames(capture)) {
        SameFrames(slice, 0, capture, at, len, "the repeat after the last whole one");
    }
    return 1;
}

int Excerpt(const Samples& source, const Samples& part) {
    const std::size_t len = Frames(part);
    if (len < kWindowFrames) {
        std::cerr << "the part is too short\n";
        return 2;
    }
    // A window from the middle: the part's ends are the likeliest to be wrong.
    const std::size_t middle = (len - kWindowFrames) / 2;
    const Match m = Locate(part, middle, source);
    std::cout << "middle found at frame " << m.frame << ", correlation " << m.correlation << "\n";
    if (m.frame < middle || m.frame - middle + len > Frames(source)) {
        std::cerr << "the part reaches beyond the source\n";
        return 1;
    }
    return SameFrames(part, 0, source, m.frame - middle, len, "excerpt") ? 0 : 1;
}

// Two looped renderings of one length: the capture plays A from its start, then from some
// frame on B at the same place in the loop, with at most `fade` frames between that are
// neither. Every frame from A's start to the end of the capture's sound is checked.
int Switch(const Samples& a, const Samples& b, const Samples& capture, long at, long fade) {
    const std::size_t len = Frames(a);
    if (len < kWindowFrames || Frames(b) != len || at < 0 || fade < 0) {
        std::cerr << "the renderings differ in length or are too short\n";
        return 2;
    }
    const Match m = Locate(a, 0, capture);
    const auto same = [&](const Samples& r, std::size_t k) {
        return std::equal(r.begin() + (k % len) * kChannels, r.begin() + (k % len + 1) * kChannels,
                          capture.begin() + (m.frame + k) * kChannels);
    };
    const std::size_t heard = Frames(capture) - m.frame;
    std::size_t k = 0;
    while (k < heard && same(a, k)) {
        ++k;
    }
    const std::size_t left = k;
    while (k < heard && k < left + static_cast<std::size_t>(fade) + 1 && !same(b, k)) {
        ++k;
    }
    const std::size_t switched = k;
    // B must then hold for at least one whole loop.
    while (k < heard && same(b, k)) {
        ++k;
    }
    std::cout << "A found at frame " << m.frame << "; A until " << left << ", B from " << switched
              << " to " << k << "; latency " << static_cast<long>(switched) - at << " frames\n";
    if (k < switched + len) {
        std::cerr << "B does not hold for a whole loop after the switch (a gap, or no switch)\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: wt_pcm_match contains|loop|excerpt|switch A B [CAPTURE AT FADE|MIN]\n";
        return 2;
    }
    const std::string mode = argv[1];
    Samples a, b;
    if (!Load(argv[2], a) || !Load(argv[3], b)) {
        std::cerr << "cannot read the files\n";
        return 2;
    }
    if (mode == "contains") {
        return Contains(a, b);
    }
    if (mode == "loop" && argc == 5) {
        return Loop(a, b, std::strtol(argv[4], nullptr, 10));
    }
    if (mode == "excerpt") {
        return Excerpt(a, b);
    }
    if (mode == "switch" && argc == 7) {
        Samples capture;
        if (!Load(argv[4], capture)) {
            std::cerr << "cannot read the capture\n";
            return 2;
        }
        return Switch(a, b, capture, std::strtol(argv[5], nullptr, 10),
                      std::strtol(argv[6], nullptr, 10));
    }
    std::cerr << "unknown check " << mode << "\n";
    return 2;
}
