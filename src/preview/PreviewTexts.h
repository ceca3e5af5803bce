// What the preview of an effect says.
#pragma once

namespace wt {

inline constexpr const char* kTextPreviewRefused = "この値では試聴できません";
inline constexpr const char* kTextPreviewNoCommand = "試聴できるコマンドが実行されていません";
inline constexpr const char* kTextPreviewNoMemory = "メモリが足りないため試聴できません";

} // namespace wt
