// Dialog 101 as the desktop shows it, on a list of fake devices: the default device first, the
// capability fields of the chosen rows, and OK keeping both choices.
#include "ParamDialogRun.h"

#include "commands/devices/DeviceDialog.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "resources/Dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace wt;

namespace {

struct DeviceDialogRun {
    FakeWaveDevices devices;
    int output = 0; // the second row is chosen when the dialog opens
    int input = -1;
    DeviceDialogState state{&devices, &output, &input};
    QtDialog dialog{*FindDialogTemplate(kDialogDevice),
                    [this](DialogHost& d, unsigned m, WParam w, LParam l) {
                        return DeviceDlgProc(d, m, w, l, state);
                    },
                    nullptr};

    DeviceDialogRun() {
        WaveDeviceCaps a;
        a.name = "Speaker A with a name longer than thirty-two characters";
        a.manufacturerId = 1;
        a.productId = 65535;
        a.driverVersion = 0x0105;
        a.channels = 2;
        a.formats = wavefmt::Mono8_22k; // 22.05 kHz, 8-bit mono only
        a.support = wavecaps::Pitch | wavecaps::Sync | wavecaps::LrVolume;
        WaveDeviceCaps b;
        b.name = "Headset";
        b.channels = 1;
        b.formats = 0xFFF;
        b.support = wavecaps::PlaybackRate | wavecaps::Volume;
        devices.outputs = {a, b};
        devices.mapperInput.formats = wavefmt::Stereo16_11k | wavefmt::Stereo16_44k;
    }
    std::string Text(int id) {
        auto* label = qobject_cast<QLabel*>(dialog.ItemWidget(id));
        return label ? label->text().toStdString() : "(no label)";
    }
    QComboBox* List(int id) { return qobject_cast<QComboBox*>(dialog.ItemWidget(id)); }
    std::vector<std::string> Rows(int id) {
        std::vector<std::string> rows;
        for (int i = 0; i < List(id)->count(); ++i) {
            rows.push_back(List(id)->itemText(i).toStdString());
        }
        return rows;
    }
    void Pick(int id, int row) {
        List(id)->setCurrentIndex(row);
        emit List(id)->activated(row);
    }
    void Press(int id) { qobject_cast<QAbstractButton*>(dialog.ItemWidget(id))->click(); }
    LParam Run(const std::function<void()>& user) { return qttest::RunDialog(dialog, 0, user); }
};

TEST(DeviceDialogQt, ListsShowCapabilitiesAndOkKeepsTheChoices) {
    DeviceDialogRun run;
    const LParam result = run.Run([&] {
        EXPECT_EQ(run.dialog.windowTitle().toStdString(), "WAVE デバイスの選択");
        EXPECT_EQ(run.Rows(kIdOutputList),
                  (std::vector<std::string>{"Fake Mapper", "Speaker A with a name longer tha",
                                            "Headset"}));
        EXPECT_EQ(run.Rows(kIdInputList), (std::vector<std::string>{"Fake Mapper", "Fake Input"}));
        EXPECT_EQ(run.List(kIdOutputList)->currentIndex(), 1);
        EXPECT_EQ(run.List(kIdInputList)->currentIndex(), 0);

        // Output device 0.
        const std::vector<std::pair<int, std::string>> speaker = {
            {kIdOutputManufacturer, "1"},
            {kIdOutputProduct, "65535"},
            {kIdOutputVersion, "1.05"},
            {kIdOutputChannels, "2"},
            {kIdOutputStereo16, "Not Supported"},
            {kIdOutputStereo8, "Not Supported"},
            {kIdOutputMono16, "Not Supported"},
            {kIdOutputMono8, "22KHz"},
            {kIdOutputPitch, "Yes"},
            {kIdOutputPlaybackRate, "No"},
            {kIdOutputSync, "Yes"},
            {kIdOutputVolume, "No"},
            {kIdOutputLrVolume, "Yes"},
        };
        for (const auto& [id, text] : speaker) {
            EXPECT_EQ(run.Text(id), text) << id;
        }
        // The default input device.
        EXPECT_EQ(run.Text(kIdInputStereo16), "11K/44KHz");
        EXPECT_EQ(run.Text(kIdInputMono8), "Not Supported");
        EXPECT_EQ(run.Text(kIdInputVersion), "0.00");
        EXPECT_EQ(run.Text(kIdInputSync), "No");

        // Picking another row refills the group.
        run.Pick(kIdOutputList, 2);
        EXPECT_EQ(run.Text(kIdOutputChannels), "1");
        EXPECT_EQ(run.Text(kIdOutputStereo16), "11K/22K/44KHz");
        EXPECT_EQ(run.Text(kIdOutputVersion), "0.00");
        EXPECT_EQ(run.Text(kIdOutputPitch), "No");
        EXPECT_EQ(run.Text(kIdOutputVolume), "Yes");
        run.Pick(kIdInputList, 1);
        run.Press(IdOk);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(run.output, 1);
    EXPECT_EQ(run.input, 0);
}

TEST(DeviceDialogQt, CancelKeepsThePreviousChoices) {
    DeviceDialogRun run;
    const LParam result = run.Run([&] {
        run.Pick(kIdOutputList, 0);
        run.Pick(kIdInputList, 1);
        run.Press(IdCancel);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(run.output, 0);
    EXPECT_EQ(run.input, -1);
}

} // namespace
