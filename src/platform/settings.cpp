#include "platform/settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/read_file.h"
#include "platform/whole_file.h"

namespace vael::platform {

namespace {

const char* rootName(Settings::Root root) {
    return root == Settings::Root::Machine ? "Machine" : "User";
}

// Key paths compare without their outer backslashes, so "SOFTWARE\X\" and "\SOFTWARE\X" are one key.
std::string trimmedKey(const std::string& key) {
    const auto first = key.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    return key.substr(first, key.find_last_not_of('\\') - first + 1);
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + '"';
}

// Reads a quoted text at `at`; leaves `at` after its closing quote.
std::optional<std::string> unquote(const std::string& line, std::size_t& at) {
    if (at >= line.size() || line[at] != '"') return std::nullopt;
    std::string out;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return out;
        }
        if (c == '\\') {
            if (++at >= line.size()) return std::nullopt;
            c = line[at] == 'n' ? '\n' : line[at];
        }
        out += c;
    }
    return std::nullopt; // no closing quote
}

// Case is folded for ASCII letters only, whatever the locale.
unsigned lowerByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

bool sameNoCase(const std::string& a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerByte(x) == lowerByte(y); });
}

// The mark an editor may put before UTF-8 text.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

std::optional<std::uint32_t> parseNumber(const std::string& digits) {
    std::uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, 16);
    if (digits.empty() || digits.size() > 8 || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

} // namespace

// Every byte counts, a NUL among them: compared as C strings, a name with a NUL in it would be one with
// the name up to it, and its value would be told apart from itself at the next write.
bool Settings::NoCase::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lowerByte(x) < lowerByte(y); });
}

Settings::Settings(std::filesystem::path file) : file_(std::move(file)) {
    if (file_.empty()) return;
    std::string text;
    ReadFault fault = ReadFault::None;
    if (readFileText(file_.string(), text, readError_, MaxFileSize, &fault)) {
        parse(text);
        if (readOnlyFile(file_.string())) writeError_ = file_.string() + " is read-only";
        return;
    }
    // Nothing there: the first start, whose store begins empty and makes the file.
    if (fault == ReadFault::Missing) readError_.clear();
}

std::filesystem::path Settings::defaultFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path dir;
    if (config && *config) {
        dir = config;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::filesystem::path(home && *home ? home : ".") / ".config";
    }
    return dir / "vael" / "settings.ini";
}

const Settings::Entry* Settings::find(Root root, const std::string& key, const std::string& name) const {
    const auto k = keys_.find(std::string(rootName(root)) + "\\" + trimmedKey(key));
    if (k == keys_.end()) return nullptr;
    const auto v = k->second.values.find(name);
    return v == k->second.values.end() ? nullptr : &v->second;
}

std::optional<std::string> Settings::readText(Root root, const std::string& key,
                                              const std::string& name) const {
    const Entry* e = find(root, key, name);
    if (!e || !std::holds_alternative<std::string>(e->value)) return std::nullopt;
    return std::get<std::string>(e->value);
}

std::optional<std::uint32_t> Settings::readNumber(Root root, const std::string& key,
                                                  const std::string& name) const {
    const Entry* e = find(root, key, name);
    if (!e || !std::holds_alternative<std::uint32_t>(e->value)) return std::nullopt;
    return std::get<std::uint32_t>(e->value);
}

bool Settings::write(Root root, const std::string& key, const std::string& name, Value value) {
    const std::string path = trimmedKey(key);
    Key& k = keys_[std::string(rootName(root)) + "\\" + path];
    if (k.path.empty()) k.path = path;
    auto [it, added] = k.values.try_emplace(name, Entry{name, value});
    if (!added) it->second.value = std::move(value);
    return save();
}

bool Settings::writeText(Root root, const std::string& key, const std::string& name,
                         const std::string& value) {
    return write(root, key, name, value);
}

bool Settings::writeNumber(Root root, const std::string& key, const std::string& name, std::uint32_t value) {
    return write(root, key, name, value);
}

bool Settings::writeDefaultText(Root root, const std::string& key, const std::string& name,
                                const std::string& value) {
    if (readText(root, key, name)) return true;
    return writeText(root, key, name, value);
}

void Settings::parse(const std::string& text) {
    keys_.clear();
    lines_.clear();
    skippedLines_ = 0;
    Key* current = nullptr;
    std::string currentName;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // Every line is kept as it stands; what the store reads of it is marked.
        lines_.push_back({line, {}, {}, {}});
        // An editor's byte order mark before the first line is no part of it; kept, it is written back.
        if (lines_.size() == 1 && line.starts_with(ByteOrderMark)) line.erase(0, ByteOrderMark.size());
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';' || line[start] == '#') continue;
        line.erase(0, start);
        if (line[0] == '[') {
            current = nullptr;
            const auto close = line.rfind(']');
            const auto slash = line.find('\\');
            if (close == std::string::npos || slash == std::string::npos || slash > close) {
                ++skippedLines_;
                continue;
            }
            const std::string root = line.substr(1, slash - 1);
            if (!sameNoCase(root, "Machine") && !sameNoCase(root, "User")) {
                ++skippedLines_;
                continue;
            }
            const std::string path = trimmedKey(line.substr(slash + 1, close - slash - 1));
            currentName = root + "\\" + path;
            current = &keys_[currentName];
            if (current->path.empty()) current->path = path;
            lines_.back().key = currentName;
            continue;
        }
        std::size_t at = 0;
        const auto name = unquote(line, at);
        if (!current || !name || at >= line.size() || line[at] != '=') {
            ++skippedLines_;
            continue;
        }
        ++at;
        Value value;
        if (line.compare(at, 6, "dword:") == 0) {
            const auto number = parseNumber(line.substr(at + 6));
            if (!number) {
                ++skippedLines_;
                continue;
            }
            value = *number;
        } else {
            auto text = unquote(line, at);
            if (!text || at != line.size()) {
                ++skippedLines_;
                continue;
            }
            value = std::move(*text);
        }
        lines_.back().key = currentName;
        lines_.back().name = *name;
        lines_.back().value = value;
        auto [it, added] = current->values.try_emplace(*name, Entry{*name, value});
        if (!added) it->second.value = std::move(value);
    }
}

namespace {

std::string valueLine(const std::string& name, const std::variant<std::string, std::uint32_t>& value) {
    std::string out = quoted(name) + "=";
    if (const auto* text = std::get_if<std::string>(&value)) return out + quoted(*text);
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", std::get<std::uint32_t>(value));
    return out + "dword:" + digits;
}

} // namespace

std::string Settings::serialize() const {
    // Where each key's section ends (its last header or value line, the last section of the key when the
    // text opens it twice), and which line holds each value: the last one of its name, as the reader takes
    // the last. An earlier line of the same name is kept as it stands: the reader passed it by.
    std::map<std::string, std::size_t, NoCase> sectionEnd;
    std::map<std::string, std::size_t, NoCase> holder; // by key + "\n" + value name
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].key.empty()) continue;
        sectionEnd[lines_[i].key] = i;
        if (lines_[i].value) holder[lines_[i].key + "\n" + lines_[i].name] = i;
    }
    // The values of a key that no line of the text holds, in the store's order.
    const auto newValues = [&](const std::string& full, const Key& key) {
        std::string out;
        for (const auto& [lower, entry] : key.values)
            if (!holder.count(full + "\n" + entry.name)) out += valueLine(entry.name, entry.value) + '\n';
        return out;
    };
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        const auto key = line.key.empty() ? keys_.end() : keys_.find(line.key);
        const Entry* entry = nullptr;
        if (line.value && key != keys_.end() && holder[line.key + "\n" + line.name] == i) {
            const auto v = key->second.values.find(line.name);
            if (v != key->second.values.end()) entry = &v->second;
        }
        out += entry && entry->value != *line.value ? valueLine(line.name, entry->value) : line.text;
        out += '\n';
        if (key != keys_.end() && sectionEnd[line.key] == i) out += newValues(key->first, key->second);
    }
    for (const auto& [full, key] : keys_) {
        if (sectionEnd.count(full)) continue;
        // A section of its own, set off from a hand-written last line as the store sets off its own.
        if (!out.empty() && !out.ends_with("\n\n")) out += '\n';
        const std::string root = full.substr(0, full.find('\\'));
        out += "[" + root + "\\" + key.path + "]\n" + newValues(full, key) + '\n';
    }
    return out;
}

void Settings::setWriteFailureReport(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
}

bool Settings::save() {
    if (file_.empty()) return true;
    // A file that is there and was not read holds what the player chose, and may well be readable again
    // tomorrow (its permissions put back, a stray large file moved away): it is never written over. The
    // reason was given once, when the store was opened.
    if (!readError_.empty()) {
        writeError_ = readError_;
        return false;
    }
    std::string failed;
    std::error_code error;
    if (readOnlyFile(file_.string())) {
        failed = file_.string() + " is read-only";
    } else if (std::filesystem::create_directories(file_.parent_path(), error); error) {
        failed = "cannot make the folder " + file_.parent_path().string() + ": " + error.message();
    } else if (const std::string text = serialize(); text.size() > MaxFileSize) {
        // The next start would refuse the file for good: what it cannot read back is not written.
        failed = file_.string() + " would hold " + std::to_string(text.size()) + " bytes, more than the " +
                 std::to_string(MaxFileSize) + " a start reads";
    } else {
        // Written aside and renamed, so that a crash mid-write never leaves half a store.
        if (writeWholeFile(file_.string(), std::vector<std::uint8_t>(text.begin(), text.end()), failed)) {
            writeError_.clear();
            return true;
        }
    }
    // Each time the store stops reaching its file, or for a new reason, the player hears of it: not once
    // per value of a dialog's every move.
    const bool news = failed != writeError_;
    writeError_ = failed;
    if (news && report_) report_(writeError_);
    return false;
}

} // namespace vael::platform
