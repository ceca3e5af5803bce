#include "commands/devices/DeviceDialog.h"

#include "commands/devices/AudioTexts.h"
#include "editor/App.h"
#include "platform/WaveDevices.h"
#include "util/Format.h"

namespace wt {

namespace {

// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && characters++ == count) {
            return text.substr(0, i);
        }
    }
    return text;
}

struct RateRow {
    int outputId;
    std::uint32_t bit11k, bit22k, bit44k;
};
constexpr RateRow kRateRows[] = {
    {kIdOutputStereo16, wavefmt::Stereo16_11k, wavefmt::Stereo16_22k, wavefmt::Stereo16_44k},
    {kIdOutputStereo8, wavefmt::Stereo8_11k, wavefmt::Stereo8_22k, wavefmt::Stereo8_44k},
    {kIdOutputMono16, wavefmt::Mono16_11k, wavefmt::Mono16_22k, wavefmt::Mono16_44k},
    {kIdOutputMono8, wavefmt::Mono8_11k, wavefmt::Mono8_22k, wavefmt::Mono8_44k},
};
constexpr int kInputOffset = kIdInputList - kIdOutputList;

const char* YesNo(std::uint32_t support, std::uint32_t bit) {
    return (support & bit) ? kTextYes : kTextNo;
}

void FillList(DialogHost& dlg, int listId, const std::vector<std::string>& rows, int chosen) {
    dlg.ListReset(listId);
    for (const std::string& row : rows) {
        dlg.ListAdd(listId, row);
    }
    dlg.ListSetCurSel(listId, chosen + 1);
}

// Fills one capability group (offset 0: output, kInputOffset: input) for identifier `id`;
// nothing when it names no device.
void FillGroup(DialogHost& dlg, WaveDevices* devices, int offset, int id) {
    if (!devices) {
        return;
    }
    const bool output = offset == 0;
    const int count = output ? devices->OutputCount() : devices->InputCount();
    WaveDeviceCaps c;
    if (id < kWaveMapper || id >= count ||
        !(output ? devices->OutputCaps(id, c) : devices->InputCaps(id, c))) {
        return;
    }
    dlg.SetItemText(kIdOutputManufacturer + offset, std::to_string(c.manufacturerId));
    dlg.SetItemText(kIdOutputProduct + offset, std::to_string(c.productId));
    dlg.SetItemText(kIdOutputVersion + offset,
                    Format("%d.%02d", static_cast<int>((c.driverVersion >> 8) & 0xFF),
                           static_cast<int>(c.driverVersion & 0xFF)));
    dlg.SetItemText(kIdOutputChannels + offset, std::to_string(c.channels));
    for (const RateRow& row : kRateRows) {
        dlg.SetItemText(row.outputId + offset,
                        RateText(c.formats, row.bit11k, row.bit22k, row.bit44k));
    }
    if (output) {
        dlg.SetItemText(kIdOutputPitch, YesNo(c.support, wavecaps::Pitch));
        dlg.SetItemText(kIdOutputPlaybackRate, YesNo(c.support, wavecaps::PlaybackRate));
        dlg.SetItemText(kIdOutputSync, YesNo(c.support, wavecaps::Sync));
        dlg.SetItemText(kIdOutputVolume, YesNo(c.support, wavecaps::Volume));
        dlg.SetItemText(kIdOutputLrVolume, YesNo(c.support, wavecaps::LrVolume));
    } else {
        // An input device is never a synchronous driver; its support bits say so.
        dlg.SetItemText(kIdInputSync, YesNo(c.support, wavecaps::Sync));
    }
}

void FillGroups(DialogHost& dlg, WaveDevices* devices) {
    FillGroup(dlg, devices, 0, dlg.ListGetCurSel(kIdOutputList) - 1);
    FillGroup(dlg, devices, kInputOffset, dlg.ListGetCurSel(kIdInputList) - 1);
}

} // namespace

std::vector<std::string> DeviceListRows(WaveDevices* devices, bool output) {
    const int count = devices ? (output ? devices->OutputCount() : devices->InputCount()) : 0;
    std::vector<std::string> rows;
    for (int id = kWaveMapper; id < count; ++id) {
        WaveDeviceCaps caps;
        if (devices && (output ? devices->OutputCaps(id, caps) : devices->InputCaps(id, caps))) {
            rows.push_back(FirstCharacters(caps.name, kDeviceNameMax));
        } else {
            rows.emplace_back();
        }
    }
    return rows;
}

std::string RateText(std::uint32_t formats, std::uint32_t bit11k, std::uint32_t bit22k,
                     std::uint32_t bit44k) {
    std::string text;
    if (formats & bit11k) {
        text += "11K/";
    }
    if (formats & bit22k) {
        text += "22K/";
    }
    if (formats & bit44k) {
        text += "44K/";
    }
    if (text.empty()) {
        return kTextNotSupported;
    }
    text.pop_back();
    return text + "Hz";
}

LParam DeviceDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam,
                     DeviceDialogState& state) {
    if (message == msg::InitDialog) {
        FillList(dlg, kIdOutputList, DeviceListRows(state.devices, true), *state.outputDevice);
        FillList(dlg, kIdInputList, DeviceListRows(state.devices, false), *state.inputDevice);
        FillGroups(dlg, state.devices);
        return 1;
    }
    if (message != msg::Command) {
        return 0;
    }
    const int id = static_cast<int>(LowWord(wParam));
    const unsigned code = HighWord(wParam);
    if ((id == kIdOutputList || id == kIdInputList) && code == NotifyListSelChange) {
        FillGroups(dlg, state.devices);
        return 1;
    }
    if (id == IdOk && code == NotifyClicked) {
        // A list without a selected row keeps its previous choice.
        const int outputRow = dlg.ListGetCurSel(kIdOutputList);
        const int inputRow = dlg.ListGetCurSel(kIdInputList);
        if (outputRow >= 0) {
            *state.outputDevice = outputRow - 1;
        }
        if (inputRow >= 0) {
            *state.inputDevice = inputRow - 1;
        }
        dlg.EndDialog(1);
        return 1;
    }
    if (id == IdCancel) {
        dlg.EndDialog(0);
        return 1;
    }
    return 0;
}

int CmdDeviceDialog(App& app) {
    WaveDevices* devices = app.host.Devices();
    if (devices) {
        app.waveOutDevices = devices->OutputCount();
        app.waveInDevices = devices->InputCount();
    }
    DeviceDialogState state{devices, &app.audio.outputDevice, &app.audio.inputDevice};
    const LParam result = app.host.DialogBox(
        kDialogDevice, Owner::WaveWindow,
        [&state](DialogHost& dlg, unsigned m, WParam w, LParam l) {
            return DeviceDlgProc(dlg, m, w, l, state);
        },
        0);
    return result == 1 ? 1 : 0;
}

} // namespace wt
