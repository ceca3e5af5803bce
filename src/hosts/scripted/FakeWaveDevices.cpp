#include "hosts/scripted/FakeWaveDevices.h"

#include <algorithm>
#include <cstring>

namespace wt {

namespace {
WaveDeviceCaps FakeCaps(const char* name) {
    WaveDeviceCaps caps;
    caps.name = name;
    caps.channels = 2;
    caps.formats = 0xFFF;
    return caps;
}
} // namespace

FakeWaveDevices::FakeWaveDevices()
    : mapperOutput(FakeCaps("Fake Mapper")),
      mapperInput(FakeCaps("Fake Mapper")), outputs{FakeCaps("Fake Output")}, inputs{FakeCaps(
                                                                                  "Fake Input")} {}

void FakeWaveDevices::Report(unsigned message, WParam handle) {
    if (notify_) {
        notify_(message, handle);
    }
}

bool FakeWaveDevices::OutputCaps(int id, WaveDeviceCaps& caps) {
    if (id == kWaveMapper) {
        caps = mapperOutput;
        return true;
    }
    if (id < 0 || id >= OutputCount()) {
        return false;
    }
    caps = outputs[static_cast<std::size_t>(id)];
    return true;
}

bool FakeWaveDevices::InputCaps(int id, WaveDeviceCaps& caps) {
    if (id == kWaveMapper) {
        caps = mapperInput;
        return true;
    }
    if (id < 0 || id >= InputCount()) {
        return false;
    }
    caps = inputs[static_cast<std::size_t>(id)];
    return true;
}

WaveResult FakeWaveDevices::OpenOutput(int id, const WaveFormat& format, WParam& handle) {
    ++outputOpenCalls;
    if (openOutputResult != WaveResult::Ok) {
        return openOutputResult;
    }
    if (id < kWaveMapper || id >= OutputCount()) {
        return WaveResult::BadDeviceId;
    }
    if (outputOpen) {
        return WaveResult::Allocated;
    }
    outputOpen = true;
    outputId = id;
    outputFormat = format;
    outputPosition = 0;
    handle = outputHandle_ = nextHandle_++;
    return WaveResult::Ok;
}

WaveResult FakeWaveDevices::WriteOutput(const std::uint8_t* data, std::size_t length, bool loop) {
    if (!outputOpen) {
        return WaveResult::Error;
    }
    if (writeOutputResult != WaveResult::Ok) {
        return writeOutputResult;
    }
    outputData = data;
    outputLength = length;
    outputLoop = loop;
    outputSource = nullptr;
    playing = true;
    return WaveResult::Ok;
}

WaveResult FakeWaveDevices::StreamOutput(FrameSource& source) {
    if (!outputOpen) {
        return WaveResult::Error;
    }
    if (writeOutputResult != WaveResult::Ok) {
        return writeOutputResult;
    }
    outputData = nullptr;
    outputLength = 0;
    outputLoop = false;
    outputSource = &source;
    playing = true;
    return WaveResult::Ok;
}

std::int64_t FakeWaveDevices::PullOutput(std::uint8_t* out, std::int64_t frames) {
    if (!playing || !outputSource) {
        return 0;
    }
    const std::int64_t pulled =
        std::clamp<std::int64_t>(outputSource->Pull(out, frames), 0, frames);
    outputPosition += pulled;
    if (pulled < frames) {
        playing = false;
        Report(msg::WaveOutDone, outputHandle_);
    }
    return pulled;
}

void FakeWaveDevices::FinishOutput() {
    if (!playing) {
        return;
    }
    playing = false;
    if (!outputSource) { // a stream's position is what was pulled
        const int blockAlign = std::max(1, outputFormat.blockAlign);
        outputPosition = static_cast<std::int64_t>(outputLength) / blockAlign;
    }
    Report(msg::WaveOutDone, outputHandle_);
}

void FakeWaveDevices::ResetOutput() {
    if (!playing) {
        return;
    }
    playing = false;
    Report(msg::WaveOutDone, outputHandle_);
}

void FakeWaveDevices::CloseOutput() {
    outputOpen = false;
    playing = false;
    outputData = nullptr;
    outputSource = nullptr;
    outputHandle_ = 0;
}

WaveResult FakeWaveDevices::OpenInput(int id, const WaveFormat& format, WParam& handle) {
    ++inputOpenCalls;
    if (openInputResult != WaveResult::Ok) {
        return openInputResult;
    }
    if (id < kWaveMapper || id >= InputCount()) {
        return WaveResult::BadDeviceId;
    }
    if (inputOpen) {
        return WaveResult::Allocated;
    }
    inputOpen = true;
    inputId = id;
    inputFormat = format;
    inputData = nullptr;
    inputLength = 0;
    recorded = 0;
    inputAdded_ = false;
    inputReported_ = false;
    handle = inputHandle_ = nextHandle_++;
    return WaveResult::Ok;
}

WaveResult FakeWaveDevices::PrepareInput(std::uint8_t* data, std::size_t length) {
    if (!inputOpen) {
        return WaveResult::Error;
    }
    if (prepareInputResult != WaveResult::Ok) {
        return prepareInputResult;
    }
    inputData = data;
    inputLength = length;
    return WaveResult::Ok;
}

WaveResult FakeWaveDevices::AddInputBuffer() {
    if (!inputOpen || !inputData) {
        return WaveResult::Error;
    }
    if (addInputResult != WaveResult::Ok) {
        return addInputResult;
    }
    inputAdded_ = true;
    return WaveResult::Ok;
}

WaveResult FakeWaveDevices::StartInput() {
    if (!inputOpen || !inputAdded_) {
        return WaveResult::Error;
    }
    if (startInputResult != WaveResult::Ok) {
        return startInputResult;
    }
    recording = true;
    return WaveResult::Ok;
}

std::size_t FakeWaveDevices::Record(const std::uint8_t* bytes, std::size_t count) {
    if (!recording || inputReported_) {
        return 0;
    }
    const std::size_t n = std::min(count, inputLength - recorded);
    if (n > 0) {
        std::memcpy(inputData + recorded, bytes, n);
    }
    recorded += n;
    if (recorded == inputLength) {
        recording = false;
        inputReported_ = true;
        Report(msg::WaveInData, inputHandle_);
    }
    return n;
}

void FakeWaveDevices::LoseInput() {
    if (!recording || inputReported_) {
        return;
    }
    recording = false;
    inputReported_ = true;
    Report(msg::WaveInData, inputHandle_);
}

void FakeWaveDevices::ResetInput() {
    recording = false;
    if (inputAdded_ && !inputReported_) {
        inputReported_ = true;
        Report(msg::WaveInData, inputHandle_);
    }
}

std::int64_t FakeWaveDevices::InputPosition() {
    return static_cast<std::int64_t>(recorded) / std::max(1, inputFormat.blockAlign);
}

void FakeWaveDevices::CloseInput() {
    inputOpen = false;
    recording = false;
    inputData = nullptr;
    inputHandle_ = 0;
}

} // namespace wt
