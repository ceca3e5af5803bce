// A private-profile settings file: "[Section]" headers and "key=value" lines. Every read
// opens the file afresh and every write rewrites it at once, so two running editors see each
// other's changes the next time they read. Section and key names compare without regard to
// letter case; values are kept as written.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wt {

// True when `text` can be stored as one key=value line: no line break and no NUL.
bool IsStorableProfileValue(const std::string& text);

class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}

    // The file; empty when there is none (reads give the defaults, writes fail unless they
    // are kept in memory).
    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    // From now on the file is only read: the first write takes its text into memory, and
    // that write and all later ones change the copy, which every later read of this object
    // sees instead of the file. A run that must leave the file as it found it (a batch run on
    // the user's own settings, or one with no settings folder) still remembers what it set.
    void KeepWritesInMemory();

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
    // In memory, a write succeeds unless its text cannot be stored.
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value) const;

private:
    // The lines as they stand: the copy in memory once there is one, else the file's.
    std::vector<std::string> CurrentLines() const;

    std::string path_;
    bool inMemory_ = false;
    // The file's lines with the writes made since KeepWritesInMemory. Writes are const, as
    // for the file itself, which the copy stands for.
    mutable std::optional<std::vector<std::string>> written_;
};

} // namespace wt
