// The radio-button groups of every editor dialog that has radio buttons, as the templates'
// group style defines them, written out by hand. The tests of both dialog hosts click every
// button and check that the rest of its group, and nothing else, is cleared.
#pragma once

#include <map>
#include <vector>

namespace wt::test {

// Dialog id -> its groups of radio-button ids.
inline std::map<int, std::vector<std::vector<int>>> ExpectedRadioGroups() {
    const std::vector<std::vector<int>> format = {
        {101, 102, 103, 104, 105, 106}, {201, 202}, {301, 302}};
    const std::vector<std::vector<int>> record = {
        {101, 102, 103, 104, 109, 110}, {201, 202}, {301, 302}};
    return {
        {1, format},
        {4, record},
        {104, {{120, 121, 122, 123, 124, 125, 126, 127}}},
        {106, {{107, 108, 109}}}, // the tone dialog: its waveform pictures stand between them
        {109, {{202, 203}}},
        {113, format},
        {115, {{103, 104}}},
        {121, {{1010, 1011}}}, // 設定 → 元に戻す
    };
}

} // namespace wt::test
