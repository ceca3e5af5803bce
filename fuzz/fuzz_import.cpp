// libFuzzer target of the libsndfile import (every format it reads): a loaded sound is written
// as WAV and must import again sample for sample. (WAV, not FLAC, takes every rate the editor
// holds; FLAC refuses rates above 655350 Hz with a message.)
#include "FuzzReader.h"

#include "commands/file/SoundFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return wt::fuzz::FuzzOneInput(data, size, wt::ImportSoundFile, wt::SaveWaveFile, "wav", true);
}
