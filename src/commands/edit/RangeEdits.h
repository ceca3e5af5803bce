// The edits that cut, copy, delete, keep, insert or mix whole ranges of frames, through the
// desktop clipboard, and the gap of silence the generators open at the cursor.
//
// The clipboard carries sound as a RIFF/WAVE image. Copy writes the canonical 44-byte header
// and the selected frames unchanged. Paste and mix accept any image whose chunks hold a PCM
// format and a "data" chunk inside the image. Frames of the document's own format go in byte
// for byte; others are converted to the document's format first. A paste into a sound that
// holds nothing and has not been changed (a new window) takes the clipboard's format instead,
// when it has 8 or 16 bits in one or two channels.
//
// State afterwards (positions are byte offsets; every command but copy sets `modified`):
//   copy            nothing changes
//   delete, cut     nothing selected at the old selStart, cursor there; viewStart moves there
//                   when the sound became shorter than it
//   erase outside   only the selection is left; selection, cursor and viewStart at 0
//   paste           the inserted frames selected, cursor after them
//   mix             nothing selected, cursor after the mixed part
//   insert silence  the gap selected, cursor after it
// The sample block always keeps 16 spare bytes after the data.
#pragma once

#include "model/WaveImage.h"

#include <cstdint>
#include <vector>

namespace wt {

struct App;
struct SoundDocument;

// IDM_COPY: the selection onto the clipboard. Needs a selection.
int CmdCopy(App& app);
// IDM_CUT: copy, then delete; one undo brings the sound back. Nothing is deleted when the
// copy could not be made.
int CmdCut(App& app);
// IDM_DELETE: removes the selection. Needs a selection.
int CmdDelete(App& app);
// IDM_CROP: keeps only the selection. Needs a selection.
int CmdCrop(App& app);
// IDM_PASTE: inserts the clipboard's sound at the cursor. The undo snapshot is taken first,
// also when there is nothing to paste, so undo also brings back the format of a window that
// took the clipboard's. Returns 0 when nothing was pasted.
int CmdPaste(App& app);
// IDM_MIX_PASTE: adds the clipboard's sound to the document from the cursor on (clipped to 16
// bits), extending the sound with silence where it is too short.
int CmdMixPaste(App& app);
// IDM_SELECT_ALL: selects the whole sound in the waveform window.
int CmdSelectAll(App& app);

// Opens a gap of silence of `milliseconds` at the cursor: sampleRate * milliseconds / 1000
// frames (truncated), each channel written as the value 0 (8-bit silence is 128). Afterwards
// the gap is selected and the cursor is at its end, `modified` is set; the caller refreshes
// the display. The caller must have taken the undo snapshot: when the block cannot grow, the
// snapshot is swapped back, "メモリーが足りません" is shown under "WTOMUKA" and 0 returned.
int InsertSilence(App& app, std::uint32_t milliseconds);

// The clipboard's sound as paste, mix and the melody paste take it.
struct ClipboardSound {
    std::vector<std::uint8_t> image;
    WaveImageView view; // the format and where the samples are in `image`
    const std::uint8_t* Data() const { return image.data() + view.dataOffset; }
};
enum class ClipboardRead {
    Sound,   // `sound` holds a valid image
    Empty,   // no wave data on the clipboard; nothing was shown
    Invalid, // not a usable image: "データ形式が違います" was shown under `caption`; or the
             // image could not be copied: "メモリーが足りません" under `memoryCaption`; or
             // the file on the clipboard was refused, with the file reader's message
};
// Wave data on the clipboard, or the one sound file on it (copied in a file manager) read as
// Open reads files, as a canonical image.
ClipboardRead ReadClipboardSound(App& app, const char* caption, ClipboardSound& sound,
                                 const char* memoryCaption = nullptr);

// The moves inside the sample block the edits are made of, without undo or display. Both keep
// 16 spare bytes after the data and move the tail in place.
// Removes the bytes [start, end) (multiples of the frame size, start <= end <= byteLength).
void RemoveBytes(SoundDocument& doc, std::int32_t start, std::int32_t end);
// Inserts `count` bytes from `bytes` at `at` (0 <= at <= byteLength). False, with nothing
// changed, when the block cannot grow or the sound would exceed the largest block.
bool InsertBytes(SoundDocument& doc, std::int32_t at, const std::uint8_t* bytes,
                 std::int32_t count);

} // namespace wt
