// Table-driven cases for the effects: a sound given as interleaved sample values, the effect's
// parameters, the command, and the sound expected after it.
#pragma once

#include "TestApp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace wt::test {

using Command = int (*)(App&);
// Interleaved sample values of a sound (channel 0 first in each frame).
using Samples = std::vector<int>;
// An expected value that is not checked.
inline constexpr int kAny = INT_MIN;

inline void Load(TestApp& t, int bits, int channels, const Samples& values,
                 std::uint32_t rate = 22050) {
    const int frames = static_cast<int>(values.size()) / channels;
    t.SetSound(
        bits, channels, frames, [&](int f, int c) { return values[f * channels + c]; }, rate);
}

inline Samples ReadAll(const App& app) {
    const SoundDocument& doc = app.doc;
    Samples values;
    for (int pos = 0; pos < doc.byteLength; pos += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            values.push_back(ReadSample(doc, doc.Data() + pos, c));
        }
    }
    return values;
}

inline std::vector<std::uint8_t> Bytes(const App& app) {
    return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
}

// `count` copies of `value`.
inline Samples Repeat(int value, int count) {
    return Samples(static_cast<std::size_t>(count), value);
}
inline Samples Concat(Samples a, const Samples& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct EffectCase {
    const char* name;
    Command command;
    int bits;
    int channels;
    std::uint32_t rate;
    void (*setParams)(EffectState&);
    Samples input;
    Samples expected; // kAny where the value is not checked
    int selFirst = 0; // selection in frames; selFirst == selEnd selects nothing
    int selEnd = 0;
};

inline void PrintTo(const EffectCase& c, std::ostream* os) {
    *os << c.name;
}

// Runs the case's command with its parameters (the dialog answered with OK as it opens) and
// compares every checked sample.
inline void ExpectEffectCase(const EffectCase& c) {
    TestApp t;
    Load(t, c.bits, c.channels, c.input, c.rate);
    SoundDocument& doc = t.app.doc;
    doc.selStart = c.selFirst * doc.format.blockAlign;
    doc.selEnd = c.selEnd * doc.format.blockAlign;
    c.setParams(t.app.effects);
    ASSERT_EQ(c.command(t.app), 1);
    const Samples out = ReadAll(t.app);
    ASSERT_EQ(out.size(), c.expected.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (c.expected[i] != kAny) {
            EXPECT_EQ(out[i], c.expected[i])
                << "frame " << i / static_cast<std::size_t>(c.channels) << " channel "
                << i % static_cast<std::size_t>(c.channels);
        }
    }
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    EXPECT_TRUE(t.host.scriptErrors.empty());
    EXPECT_TRUE(t.host.messages.empty());
}

} // namespace wt::test
