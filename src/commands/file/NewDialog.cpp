#include "commands/file/NewDialog.h"

#include "editor/App.h"

#include <utility>

namespace wt {

namespace {

// The rate each button stands for, in the order of the control ids. A rate without a button
// is shown as 22.05 kHz.
constexpr std::pair<int, std::uint32_t> kRateButtons[] = {
    {kIdRate8000, 8000},   {kIdRate11025, 11025}, {kIdRate22050, 22050},
    {kIdRate44100, 44100}, {kIdRate48000, 48000}, {kIdRate96000, 96000}};
constexpr int kFirstRateButton = kIdRate8000, kLastRateButton = kIdRate96000;

int RateButton(std::uint32_t rate) {
    for (const auto& [button, value] : kRateButtons) {
        if (value == rate) {
            return button;
        }
    }
    return kIdRate22050;
}

std::uint32_t RateOf(int button) {
    for (const auto& [id, value] : kRateButtons) {
        if (id == button) {
            return value;
        }
    }
    return 22050;
}

int CheckedIn(const DialogHost& dlg, int first, int last, int fallback) {
    for (int id = first; id <= last; ++id) {
        if (dlg.IsButtonChecked(id) == Checked) {
            return id;
        }
    }
    return fallback;
}

} // namespace

LParam NewDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                  SoundFormat*& format) {
    if (message == msg::InitDialog) {
        format = reinterpret_cast<SoundFormat*>(lParam);
        dlg.CheckRadioButton(kFirstRateButton, kLastRateButton, RateButton(format->sampleRate));
        dlg.CheckRadioButton(kIdBits8, kIdBits16,
                             format->bitsPerSample == 8 ? kIdBits8 : kIdBits16);
        dlg.CheckRadioButton(kIdMono, kIdStereo, format->channels == 1 ? kIdMono : kIdStereo);
        return 1;
    }
    if (message != msg::Command) {
        return 0;
    }
    const int id = static_cast<int>(LowWord(wParam));
    if (id == IdOk) {
        const int rateButton = CheckedIn(dlg, kFirstRateButton, kLastRateButton, kIdRate22050);
        const int bits = CheckedIn(dlg, kIdBits8, kIdBits16, kIdBits8) == kIdBits8 ? 8 : 16;
        const int channels = CheckedIn(dlg, kIdMono, kIdStereo, kIdMono) - 300;
        format->formatTag = 1;
        format->channels = static_cast<std::uint16_t>(channels);
        format->sampleRate = RateOf(rateButton);
        format->bitsPerSample = static_cast<std::uint16_t>(bits);
        format->blockAlign = static_cast<std::uint16_t>(bits * channels / 8);
        format->bytesPerSecond = format->blockAlign * format->sampleRate;
        dlg.EndDialog(1);
        return 1;
    }
    if (id == IdCancel) {
        dlg.EndDialog(0);
        return 1;
    }
    return 0;
}

int RunNewDialog(App& app, int templateId, SoundFormat& format) {
    SoundFormat* target = nullptr;
    const LParam result = app.host.DialogBox(
        templateId, Owner::WaveWindow,
        [&target](DialogHost& dlg, unsigned m, WParam w, LParam l) {
            return NewDlgProc(dlg, m, w, l, target);
        },
        reinterpret_cast<LParam>(&format));
    return result == 1 ? 1 : 0;
}

} // namespace wt
