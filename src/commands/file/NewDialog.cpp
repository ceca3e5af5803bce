#include "commands/file/NewDialog.h"

#include "editor/App.h"

namespace wt {

namespace {

int RateButton(std::uint32_t rate) {
    switch (rate) {
    case 8000:
        return kIdRate8000;
    case 11025:
        return kIdRate11025;
    case 44100:
        return kIdRate44100;
    default:
        return kIdRate22050;
    }
}

std::uint32_t RateOf(int button) {
    switch (button) {
    case kIdRate8000:
        return 8000;
    case kIdRate11025:
        return 11025;
    case kIdRate44100:
        return 44100;
    default:
        return 22050;
    }
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
        dlg.CheckRadioButton(kIdRate8000, kIdRate44100, RateButton(format->sampleRate));
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
        const int rateButton = CheckedIn(dlg, kIdRate8000, kIdRate44100, kIdRate22050);
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
