// The wave device dialog: lists the output and input devices with the default device first,
// shows what the selected ones can do, and keeps the two choices for playback and recording.
#pragma once

#include "platform/DialogHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wt {

struct App;
class WaveDevices;

// Dialog 101 and its controls. The input group's ids are the output group's plus 100.
inline constexpr int kDialogDevice = 101;
inline constexpr int kIdOutputList = 101;
inline constexpr int kIdOutputManufacturer = 102;
inline constexpr int kIdOutputProduct = 103;
inline constexpr int kIdOutputVersion = 104;
inline constexpr int kIdOutputChannels = 105;
inline constexpr int kIdOutputStereo16 = 110; // rate texts: 16-bit stereo, 8-bit stereo,
inline constexpr int kIdOutputStereo8 = 111;  // 16-bit mono, 8-bit mono
inline constexpr int kIdOutputMono16 = 112;
inline constexpr int kIdOutputMono8 = 113;
inline constexpr int kIdOutputPitch = 120;
inline constexpr int kIdOutputPlaybackRate = 121;
inline constexpr int kIdOutputSync = 122;
inline constexpr int kIdOutputVolume = 123;
inline constexpr int kIdOutputLrVolume = 124;
inline constexpr int kIdInputList = 201;
inline constexpr int kIdInputManufacturer = 202;
inline constexpr int kIdInputProduct = 203;
inline constexpr int kIdInputVersion = 204;
inline constexpr int kIdInputChannels = 205;
inline constexpr int kIdInputStereo16 = 210;
inline constexpr int kIdInputStereo8 = 211;
inline constexpr int kIdInputMono16 = 212;
inline constexpr int kIdInputMono8 = 213;
inline constexpr int kIdInputSync = 220;
// List rows hold at most this many characters of a device name.
inline constexpr std::size_t kDeviceNameMax = 32;

// "11K/22K/44KHz", "22KHz", ... from the three rate bits of one combination, or
// "Not Supported" when none is set.
std::string RateText(std::uint32_t formats, std::uint32_t bit11k, std::uint32_t bit22k,
                     std::uint32_t bit44k);

// The rows of the output or input list: the default device's name, then each device's, each
// cut to kDeviceNameMax characters. Row r stands for identifier r - 1.
std::vector<std::string> DeviceListRows(WaveDevices* devices, bool output);

// What DeviceDlgProc works on: the devices (may be null: only the default rows, empty) and
// the two identifiers OK stores.
struct DeviceDialogState {
    WaveDevices* devices = nullptr;
    int* outputDevice = nullptr;
    int* inputDevice = nullptr;
};

// The procedure of dialog 101. OK stores (row - 1) of each list as the identifiers; Cancel
// and the close box keep the previous choices.
LParam DeviceDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                     DeviceDialogState& state);

// IDM_DEVICE. Returns 1 when OK stored the choices, 0 otherwise.
int CmdDeviceDialog(App& app);

} // namespace wt
