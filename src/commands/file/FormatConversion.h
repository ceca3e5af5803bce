// Conversion between sample formats: rate, depth and channel count changed in one pass. It
// converts the whole document (the format-conversion command) and brings what paste, mix and
// the melody paste take from the clipboard into the document's format.
#pragma once

#include "model/SampleBlock.h"
#include "model/SoundDocument.h"

#include <cstdint>

namespace wt {

struct App;

// Converts the frames of `sourceBytes` bytes at `source`, of format `from`, into a new block of
// frames of format `to`, and returns 1 with the block in `result` and its length in bytes in
// `resultBytes`. The block holds resultBytes + 16 bytes and belongs to the caller (it may
// become the document's sampleData as it is). Neither the source nor the document changes.
//
// The source may have any rate the document can hold, and must have 8 or 16 bits in one or
// two channels (and a frame size that holds them); otherwise "このデータ形式からの変換はサポート
// されていません" is shown under "フォーマット変換" and 0 returned. When the block cannot be
// had, or the result would be larger than the document can hold, "メモリーが足りません" under
// "Change Format", and 0. The destination may have any rate and channel count; depths other
// than 8 and 16 bits are written as silence.
//
// Arithmetic, for N = sourceBytes / from.blockAlign source frames:
// - the byte estimate L = N * to.blockAlign * to.sampleRate / from.sampleRate (the first
//   product in integers, the rest in double, truncated); the result has ceil(L /
//   to.blockAlign) frames;
// - output frame u takes the source position p = u * from.sampleRate / to.sampleRate (double),
//   frame i = p truncated, fraction f = p - i;
// - a mono source is interpolated linearly between frames i and i + 1 (frame i alone when f
//   is 0 or i is the last frame), the value truncated toward zero and written to every
//   output channel;
// - a stereo source takes frame i as it is: (left + right) / 2 toward zero for a mono
//   output, left and right for a stereo one (further output channels get silence);
// - every value is written as WriteSampleLimited does with the document's peak tracker:
//   clipped to 16 bits (scaled first while the tracker stands above 32767), and for 8-bit
//   output shifted right by 8 plus 128, without rounding.
// Progress "フォーマット変換:%3d%%" runs over the output frames. While it runs the busy gate is
// closed, so the messages its progress display lets through cannot start a command that
// changes the document under the caller.
int ConvertFormat(App& app, const SoundFormat& from, const std::uint8_t* source,
                  std::int64_t sourceBytes, const SoundFormat& to, SampleBlock& result,
                  std::int32_t& resultBytes);

// IDM_CHANGE_FORMAT: dialog 113 on the document's format, then the whole sound converted to
// the chosen one, nothing selected and the view at the start. The sound before it becomes
// the undo snapshot, so Undo brings back its samples and format.
int CmdChangeFormat(App& app);

} // namespace wt
