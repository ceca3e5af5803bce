// Wave devices without sound: they keep what the editor asked of them, answer with the
// results a test chose, and play or record only when told to. Tests (and batch runs on a
// machine set up without devices) drive the editor's transport through them.
#pragma once

#include "platform/WaveDevices.h"

#include <vector>

namespace wt {

class FakeWaveDevices : public WaveDevices {
public:
    // One output device "Fake Output" and one input device "Fake Input", stereo, every
    // format; the mapper shows "Fake Mapper" with the same capabilities.
    FakeWaveDevices();

    // --- What the devices are and how they answer -------------------------------------------
    WaveDeviceCaps mapperOutput, mapperInput;
    std::vector<WaveDeviceCaps> outputs, inputs;
    // The result of each call; Ok unless a test sets another.
    WaveResult openOutputResult = WaveResult::Ok;
    WaveResult writeOutputResult = WaveResult::Ok; // also what StreamOutput answers
    WaveResult openInputResult = WaveResult::Ok;
    WaveResult prepareInputResult = WaveResult::Ok;
    WaveResult addInputResult = WaveResult::Ok;
    WaveResult startInputResult = WaveResult::Ok;

    // --- What the editor did ----------------------------------------------------------------
    bool outputOpen = false;
    bool playing = false; // a block has been written (or a source streamed) and not yet
                          // finished or reset
    int outputId = 0;
    WaveFormat outputFormat;
    const std::uint8_t* outputData = nullptr;
    std::size_t outputLength = 0;
    bool outputLoop = false;
    FrameSource* outputSource = nullptr; // what StreamOutput plays from
    int outputOpenCalls = 0;
    std::int64_t outputPosition = 0; // what OutputPosition answers; tests move it

    bool inputOpen = false;
    bool recording = false; // started and not yet full, stopped or reset
    int inputId = 0;
    WaveFormat inputFormat;
    std::uint8_t* inputData = nullptr;
    std::size_t inputLength = 0;
    std::size_t recorded = 0;
    int inputOpenCalls = 0;

    // --- The device at work -------------------------------------------------------------------
    // The output reached the end of its block (not in a loop): it reports done.
    void FinishOutput();
    // The streaming output's callback asks for `frames` frames: pulls them from the source into
    // `out` and moves outputPosition on by what it gave. A source that gives fewer has ended:
    // the output reports done. Returns the frames pulled.
    std::int64_t PullOutput(std::uint8_t* out, std::int64_t frames);
    // The input records `count` bytes (whole frames), as far as the block has room; a full
    // block reports done. Returns the bytes taken.
    std::size_t Record(const std::uint8_t* bytes, std::size_t count);
    // The input device goes away while recording (its sound server died): it stops and
    // reports done with what it recorded so far, as a block that is not full.
    void LoseInput();

    // --- WaveDevices --------------------------------------------------------------------------
    void SetNotify(Notify notify) override { notify_ = std::move(notify); }
    int OutputCount() override { return static_cast<int>(outputs.size()); }
    int InputCount() override { return static_cast<int>(inputs.size()); }
    bool OutputCaps(int id, WaveDeviceCaps& caps) override;
    bool InputCaps(int id, WaveDeviceCaps& caps) override;

    WaveResult OpenOutput(int id, const WaveFormat& format, WParam& handle) override;
    WaveResult WriteOutput(const std::uint8_t* data, std::size_t length, bool loop) override;
    WaveResult StreamOutput(FrameSource& source) override;
    void ResetOutput() override;
    std::int64_t OutputPosition() override { return outputPosition; }
    void CloseOutput() override;

    WaveResult OpenInput(int id, const WaveFormat& format, WParam& handle) override;
    WaveResult PrepareInput(std::uint8_t* data, std::size_t length) override;
    WaveResult AddInputBuffer() override;
    WaveResult StartInput() override;
    void StopInput() override { recording = false; }
    void ResetInput() override;
    std::int64_t InputPosition() override;
    std::size_t InputBytesRecorded() override { return recorded; }
    void CloseInput() override;

private:
    void Report(unsigned message, WParam handle);

    Notify notify_;
    WParam nextHandle_ = 1;
    WParam outputHandle_ = 0, inputHandle_ = 0;
    bool inputAdded_ = false;
    bool inputReported_ = false;
};

} // namespace wt
