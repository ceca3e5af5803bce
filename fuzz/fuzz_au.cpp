// libFuzzer target of the AU reader (and, for what it loads, the writer).
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return wt::fuzz::FuzzOneInput(data, size, wt::LoadAuFile, wt::SaveAuFile, "au", false);
}
