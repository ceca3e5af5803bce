// What the document shows of itself: the status texts, the caption, the waveform repaint, and
// the texts and messages shared by every command.
#pragma once

#include <cstdint>
#include <string>

namespace wt {

struct App;
struct SoundDocument;
struct SoundFormat;

inline constexpr const char* kProductName = "WaveTomuka";
inline constexpr const char* kTextOutOfMemory = "メモリーが足りません";
inline constexpr const char* kTextNoSelection = "範囲が選択されていません";
inline constexpr const char* kCaptionNoSelection = "WAVE Tomuka";
inline constexpr const char* kTextDiscardChanges = "[%s]は変更されています\n保存しますか?";

// Clipboard and range edits: the refusal of a clipboard image, and the captions of their
// messages (the out-of-memory ones of copy, paste and the silence gap are in capitals).
inline constexpr const char* kTextWrongDataFormat = "データ形式が違います";
inline constexpr const char* kCaptionCopyMemory = "COPY";
inline constexpr const char* kCaptionPaste = "ペースト";
inline constexpr const char* kCaptionPasteMemory = "PASTE";
inline constexpr const char* kCaptionMix = "ミックス";
inline constexpr const char* kCaptionSilenceMemory = "WTOMUKA";

// Status-bar part 0 "%ldHz %dBits %s" and part 1 "%ld Bytes".
void ShowFormatStatus(App& app);
// Status-bar part 2: "Cur :%s(Sec)" with the time of selStart when nothing is selected,
// else "Sel :%s-%s(Sec)" with the times of both ends.
void ShowSelectionStatus(App& app);
// Every status text from the document as it is now, after a command: parts 1 and 2 always;
// part 0 unless it already names the format (it may go on with the note of how the file was
// read) or a recording is under way (it says so).
void RefreshStatus(App& app);
// "%d.%03d": the time of byte offset `offset` in whole seconds and milliseconds, truncated.
// Computed in 64 bits, so offsets of long sounds do not overflow.
std::string FormatSeconds(const SoundDocument& doc, std::int64_t offset);
std::string FormatSeconds(const SoundFormat& format, std::int64_t offset);
// "%ldHz %dBits %s": the format as status-bar part 0 shows it.
std::string FormatStatusText(const SoundFormat& format);
// Caption "%s -[%s]" with the product name and the title.
void UpdateTitle(App& app);
// Repaints the whole waveform window.
void RedrawWave(App& app);
// 1 when a range is selected; otherwise says so and returns 0.
int RequireSelection(App& app);
// "not enough memory" with `caption`, warning icon.
void ShowOutOfMemory(App& app, const std::string& caption);

} // namespace wt
