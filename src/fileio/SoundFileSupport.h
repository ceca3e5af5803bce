// What the three readers and writers share: the sound a reader builds without touching the
// document, the document's state after a load, the format checks, and the messages of both
// directions.
#pragma once

#include "document/SoundDocument.h"

#include <cstdint>

namespace wt {

struct App;

// The largest sample block the document can hold: byteLength is a signed 32-bit count and
// every block keeps 16 spare bytes after the samples.
inline constexpr std::uint64_t kMaxSoundBytes = 0x7FFFFFFF - 16;

// A sound read from a file and not yet part of the document.
struct LoadedSound {
    SoundFormat format;
    SampleBlock data;            // byteLength + 16 bytes; the spare bytes are zero
    std::int32_t byteLength = 0; // a multiple of format.blockAlign
};

// Makes `block` hold `bytes` sample bytes plus 16 zeroed spare bytes for a reader. When the
// size is beyond kMaxSoundBytes it says "ファイルが大きすぎます", when the memory cannot be had
// "メモリーが足りません"; either way it returns false and the reader must return 0.
bool AllocateSoundBlock(App& app, SampleBlock& block, std::uint64_t bytes);

// True when the rest of the editor can work with `format` without dividing by zero or
// reading outside a frame: at least one channel, a rate, bits per sample, a block align
// that holds every channel's sample container, and a second of frames that 32 bits can count.
bool IsUsableFormat(const SoundFormat& format);

// True when the editor's sample access reads every sample of `format`: a usable format of 8
// or 16 bits with one or two channels. Files in other formats are refused, not opened as
// silence that every effect would then leave unchanged.
bool IsHoldableFormat(const SoundFormat& format);

// Makes `sound` the document: format, samples, length; selection and view at the start,
// cursor and anchor kept where they still lie inside the sound; modified cleared; caption,
// waveform and status bar refreshed. The document's old block must have been handed on (to
// the undo snapshot) first: it is replaced. Returns 1.
int InstallLoadedSound(App& app, LoadedSound& sound);

// A reader's message: caption "ファイルを開く", warning icon, owned by the main window.
void ShowLoadMessage(App& app, const char* text);
// A writer's failure: "ファイルに書き込めません" (or "メモリーが足りません" when the writer could
// not get its buffers), caption "保存", warning icon. Returns 0.
int ReportWriteFailure(App& app, bool outOfMemory = false);
// A writer's success: `modified` cleared and the waveform repainted. Returns 1.
int FinishSave(App& app);

} // namespace wt
