// A private-profile settings file: "[Section]" headers and "key=value" lines. Every read
// opens the file afresh and every write rewrites it at once, so two running editors see each
// other's changes the next time they read. Section and key names compare without regard to
// letter case; values are kept as written.
#pragma once

#include <string>

namespace wt {

// True when `text` can be stored as one key=value line: no line break and no NUL.
bool IsStorableProfileValue(const std::string& text);

class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    // The value of key in section, cut to maxChars - 1 characters; `fallback` when the file,
    // the section or the key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t maxChars = 4096) const;
    // The decimal value of key (leading sign and digits; 0 when the text has none);
    // `fallback` when the key is missing or its value is empty.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    // Sets key in section, creating the file and the section when needed. Returns false when
    // the file could not be written (callers do not report this), and writes nothing when the
    // section, key or value holds a line break or a NUL (it would add lines of its own).
    // The new text goes to a temporary file of its own beside the settings file, renamed over
    // it: a reader never sees half a file, and two editors writing at once never share a
    // temporary file.
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value) const;

private:
    std::string path_;
};

} // namespace wt
