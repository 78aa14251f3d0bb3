#include "platform/settings.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <strings.h>
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

std::optional<std::uint32_t> parseNumber(const std::string& digits) {
    std::uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, 16);
    if (digits.empty() || digits.size() > 8 || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

} // namespace

bool Settings::NoCase::operator()(const std::string& a, const std::string& b) const {
    return ::strcasecmp(a.c_str(), b.c_str()) < 0;
}

Settings::Settings(std::filesystem::path file) : file_(std::move(file)) {
    if (file_.empty()) return;
    std::string text;
    ReadFault fault = ReadFault::None;
    if (readFileText(file_.string(), text, readError_, MaxFileSize, &fault)) {
        parse(text);
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
    skippedLines_ = 0;
    Key* current = nullptr;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
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
            if (::strcasecmp(root.c_str(), "Machine") != 0 && ::strcasecmp(root.c_str(), "User") != 0) {
                ++skippedLines_;
                continue;
            }
            const std::string path = trimmedKey(line.substr(slash + 1, close - slash - 1));
            current = &keys_[root + "\\" + path];
            if (current->path.empty()) current->path = path;
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
        auto [it, added] = current->values.try_emplace(*name, Entry{*name, value});
        if (!added) it->second.value = std::move(value);
    }
}

std::string Settings::serialize() const {
    std::string out;
    for (const auto& [full, key] : keys_) {
        const std::string root = full.substr(0, full.find('\\'));
        out += "[" + root + "\\" + key.path + "]\n";
        for (const auto& [lower, entry] : key.values) {
            out += quoted(entry.name) + "=";
            if (const auto* text = std::get_if<std::string>(&entry.value)) {
                out += quoted(*text);
            } else {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", std::get<std::uint32_t>(entry.value));
                out += std::string("dword:") + digits;
            }
            out += '\n';
        }
        out += '\n';
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
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error) {
        failed = "cannot make the folder " + file_.parent_path().string() + ": " + error.message();
    } else {
        const std::string text = serialize();
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
