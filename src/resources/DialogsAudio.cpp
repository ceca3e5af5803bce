#include "resources/Dialogs.h"

#include "commands/devices/AudioTexts.h"
#include "commands/devices/DeviceDialog.h"
#include "commands/devices/Transport.h"

namespace wt {

namespace {

void Add(DialogTemplate& t, int id, ControlKind kind, const char* text, int x, int y, int w, int h,
         bool groupStart = false) {
    t.controls.push_back({id, kind, text, x, y, w, h, groupStart});
}

DialogTemplate RecordDialog() {
    DialogTemplate t;
    t.id = kDialogRecord;
    t.caption = kCaptionRecordDialog;
    t.width = 212;
    t.height = 122;
    Add(t, 100, ControlKind::GroupBox, kTextRateGroup, 7, 5, 60, 103);
    Add(t, kIdRecordRate8000, ControlKind::AutoRadio, "8.0K", 14, 18, 48, 10, true);
    Add(t, kIdRecordRate11025, ControlKind::AutoRadio, "11.025K", 14, 32, 48, 10);
    Add(t, kIdRecordRate22050, ControlKind::AutoRadio, "22.05K", 14, 46, 48, 10);
    Add(t, kIdRecordRate44100, ControlKind::AutoRadio, "44.1K", 14, 60, 48, 10);
    Add(t, kIdRecordRate48000, ControlKind::AutoRadio, "48K", 14, 74, 48, 10);
    Add(t, kIdRecordRate96000, ControlKind::AutoRadio, "96K", 14, 88, 48, 10);
    Add(t, 200, ControlKind::GroupBox, kTextBitsGroup, 72, 5, 60, 45);
    Add(t, kIdRecordBits8, ControlKind::AutoRadio, "8 Bits", 79, 18, 48, 10, true);
    Add(t, kIdRecordBits16, ControlKind::AutoRadio, "16Bits", 79, 32, 48, 10);
    Add(t, 300, ControlKind::GroupBox, kTextChannelsGroup, 137, 5, 68, 45);
    Add(t, kIdRecordMono, ControlKind::AutoRadio, "モノラル", 144, 18, 56, 10, true);
    Add(t, kIdRecordStereo, ControlKind::AutoRadio, "ステレオ", 144, 32, 56, 10);
    Add(t, 107, ControlKind::GroupBox, kTextMaxTimeGroup, 72, 53, 133, 42);
    Add(t, kIdRecordTimeBar, ControlKind::HScrollBar, "", 79, 66, 80, 11);
    Add(t, kIdRecordTimeEdit, ControlKind::Edit, "", 163, 65, 24, 13);
    Add(t, 106, ControlKind::Static, kTextSeconds, 190, 67, 12, 8);
    Add(t, 105, ControlKind::Static, kTextMemoryLabel, 79, 82, 48, 8);
    Add(t, kIdRecordMemory, ControlKind::Static, "", 128, 82, 36, 8);
    Add(t, 108, ControlKind::Static, kTextKilobytes, 166, 82, 24, 8);
    Add(t, IdOk, ControlKind::DefPushButton, kTextStart, 96, 102, 50, 14);
    Add(t, IdCancel, ControlKind::PushButton, kTextCancel, 155, 102, 50, 14);
    return t;
}

// One capability group: the device list, the identification line, the four rate rows and
// (output only) the five support flags. `offset` is 0 for output and 100 for input.
void AddDeviceGroup(DialogTemplate& t, int offset, int top, const char* caption) {
    const bool output = offset == 0;
    const int height = output ? 96 : 82;
    Add(t, -1, ControlKind::GroupBox, caption, 7, top, 306, height);
    Add(t, -1, ControlKind::Static, kTextDeviceName, 14, top + 14, 44, 8);
    Add(t, kIdOutputList + offset, ControlKind::ComboList, "", 60, top + 12, 180, 80);
    const int infoY = top + 30;
    Add(t, -1, ControlKind::Static, kTextManufacturer, 14, infoY, 40, 8);
    Add(t, kIdOutputManufacturer + offset, ControlKind::Static, "", 56, infoY, 30, 8);
    Add(t, -1, ControlKind::Static, kTextProduct, 90, infoY, 32, 8);
    Add(t, kIdOutputProduct + offset, ControlKind::Static, "", 124, infoY, 30, 8);
    Add(t, -1, ControlKind::Static, kTextVersion, 158, infoY, 42, 8);
    Add(t, kIdOutputVersion + offset, ControlKind::Static, "", 202, infoY, 30, 8);
    Add(t, -1, ControlKind::Static, kTextChannels, 236, infoY, 44, 8);
    Add(t, kIdOutputChannels + offset, ControlKind::Static, "", 282, infoY, 26, 8);
    const char* rateLabels[] = {"16Bits/Stereo:", "8Bits/Stereo:", "16Bits/Mono:", "8Bits/Mono:"};
    for (int i = 0; i < 4; ++i) {
        const int y = top + 44 + i * 10;
        Add(t, -1, ControlKind::Static, rateLabels[i], 14, y, 56, 8);
        Add(t, kIdOutputStereo16 + offset + i, ControlKind::Static, "", 72, y, 96, 8);
    }
    if (output) {
        const char* flagLabels[] = {"Pitch:", "PlaybackRate:", "Sync:", "Volume:", "LRVolume:"};
        for (int i = 0; i < 5; ++i) {
            const int y = top + 44 + i * 10;
            Add(t, -1, ControlKind::Static, flagLabels[i], 190, y, 56, 8);
            Add(t, kIdOutputPitch + i, ControlKind::Static, "", 248, y, 24, 8);
        }
    } else {
        Add(t, -1, ControlKind::Static, "Sync:", 190, top + 44, 56, 8);
        Add(t, kIdInputSync, ControlKind::Static, "", 248, top + 44, 24, 8);
    }
}

DialogTemplate DeviceDialog() {
    DialogTemplate t;
    t.id = kDialogDevice;
    t.caption = kCaptionDeviceDialog;
    t.width = 320;
    t.height = 226;
    Add(t, -1, ControlKind::Static, kTextChooseDevices, 7, 5, 200, 8);
    AddDeviceGroup(t, 0, 17, kTextOutputGroup);
    AddDeviceGroup(t, kIdInputList - kIdOutputList, 117, kTextInputGroup);
    Add(t, IdOk, ControlKind::DefPushButton, kTextOk, 204, 205, 50, 14);
    Add(t, IdCancel, ControlKind::PushButton, kTextCancel, 263, 205, 50, 14);
    return t;
}

} // namespace

std::vector<DialogTemplate> AudioDialogTemplates() {
    return {RecordDialog(), DeviceDialog()};
}

} // namespace wt
