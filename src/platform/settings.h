#pragma once
// The settings store in place of the registry: keys under two roots (the machine's and the user's), each
// holding named values that are either text or 32-bit numbers. Key and value names are found without
// regard to case, as the registry finds them. The store lives in a text file of INI style:
//
//   [Machine\SOFTWARE\Tamblor\Iron Vigils]
//   "Path"="/usr/share/vael"
//   "Volume"=dword:00000050
//
// Every write is saved at once, as the registry keeps what it is given. A store without a file keeps its
// values in memory only. A file edited by hand keeps what the store does not use (comments, other
// sections, lines it cannot read) as it stands, and each of its values where it was written (a byte order
// mark an editor put before the text is read past, and kept); a file the player made read-only is never
// replaced.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vael::platform {

class Settings {
public:
    enum class Root : std::uint8_t { Machine, User };

    // The largest file read: a store of the game's keys is a few hundred bytes.
    static constexpr std::uint64_t MaxFileSize = 1 << 20;

    // Reads the file when there is one; a missing file is an empty store, and so is one that is there and
    // cannot be read (no permission, a folder, not a regular file, larger than MaxFileSize), whose reason
    // readError() gives. Such a file is never written: the store keeps its values in memory only. A file
    // read that is read-only is not written either, while it stays so; writeError() says so from the
    // start.
    explicit Settings(std::filesystem::path file = {});

    // $XDG_CONFIG_HOME/vael/settings.ini, else $HOME/.config/vael/settings.ini.
    static std::filesystem::path defaultFile();

    std::optional<std::string> readText(Root root, const std::string& key, const std::string& name) const;
    std::optional<std::uint32_t> readNumber(Root root, const std::string& key, const std::string& name) const;
    // Answer whether the value reached the file (always true without one).
    bool writeText(Root root, const std::string& key, const std::string& name, const std::string& value);
    bool writeNumber(Root root, const std::string& key, const std::string& name, std::uint32_t value);
    // Writes the text only when the value is missing (or is not text): the defaults of a first start.
    bool writeDefaultText(Root root, const std::string& key, const std::string& name,
                          const std::string& value);

    // Replaces the store's values with those of the text; lines it cannot read are skipped and counted.
    void parse(const std::string& text);
    // The text parsed, every line of it as it stands but the values that changed since, each new value at
    // the end of its key's section, and the keys it did not hold after it.
    std::string serialize() const;
    std::int32_t skippedLines() const { return skippedLines_; }
    const std::string& readError() const { return readError_; }
    // Why the last write did not reach the file (empty when it did): the values stay in memory all the same.
    const std::string& writeError() const { return writeError_; }
    // Called with the reason when a write fails after one that reached the file, or for another reason
    // than the last failure's. Not called for a file that was not read: readError() says that once.
    void setWriteFailureReport(std::function<void(const std::string&)> report);
    const std::filesystem::path& file() const { return file_; }

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Value = std::variant<std::string, std::uint32_t>;
    struct Entry {
        std::string name; // as first written
        Value value;
    };
    struct Key {
        std::string path; // as first written
        std::map<std::string, Entry, NoCase> values;
    };
    // A line of the text parsed, kept to be written again as it stands.
    struct Line {
        std::string text; // without its line feed
        std::string key;  // the key a section header opens, or a value line is under; empty for the rest
        std::string name; // a value line's name
        std::optional<Value> value; // what a value line held
    };

    const Entry* find(Root root, const std::string& key, const std::string& name) const;
    bool write(Root root, const std::string& key, const std::string& name, Value value);
    bool save();

    std::filesystem::path file_;
    std::map<std::string, Key, NoCase> keys_; // by root name + "\" + key path
    std::vector<Line> lines_;
    std::int32_t skippedLines_ = 0;
    std::string readError_;
    std::string writeError_;
    std::function<void(const std::string&)> report_;
};

} // namespace vael::platform
