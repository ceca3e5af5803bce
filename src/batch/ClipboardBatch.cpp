#include "batch/ClipboardBatch.h"

#include "formats/FileIo.h"
#include "hosts/scripted/ScriptedHost.h"
#include "model/SampleBlock.h"

#include <cstdlib>

namespace wt {

namespace {
constexpr long kMaxHoldSeconds = 3600;
} // namespace

bool BatchClipboardLoad(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.size() != 1) {
        error = "usage: clipboard_load PATH";
        return false;
    }
    InputFile file;
    std::vector<std::uint8_t> bytes;
    if (!file.Open(args[0]) || !TryResize(bytes, static_cast<std::size_t>(file.Size())) ||
        !file.ReadExactlyAt(0, bytes.data(), bytes.size())) {
        error = "cannot read " + args[0];
        return false;
    }
    if (!c.host.SetClipboardWave(bytes)) {
        error = "the clipboard cannot take the data";
        return false;
    }
    return true;
}

bool BatchClipboardSave(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.size() != 1) {
        error = "usage: clipboard_save PATH";
        return false;
    }
    std::vector<std::uint8_t> image;
    if (!c.host.GetClipboardWave(image)) {
        error = "the clipboard holds no wave data";
        return false;
    }
    AtomicFileWriter out(args[0]);
    if (!out.Open() || !out.Write(image.data(), image.size()) || !out.Commit()) {
        error = "cannot write " + args[0];
        return false;
    }
    return true;
}

bool BatchClipboardHold(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    char* end = nullptr;
    const long seconds = args.size() == 1 ? std::strtol(args[0].c_str(), &end, 10) : 0;
    if (args.size() != 1 || args[0].empty() || *end != '\0' || seconds < 1 ||
        seconds > kMaxHoldSeconds) {
        error = "usage: clipboard_hold SECONDS (1..3600)";
        return false;
    }
    if (c.host.desktopClipboard) {
        c.host.desktopClipboard->Hold(static_cast<int>(seconds * 1000));
    }
    return true;
}

} // namespace wt
