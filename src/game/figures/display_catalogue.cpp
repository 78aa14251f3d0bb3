#include "game/figures/display_catalogue.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <set>

#include "framework/core/printable.h"
#include "framework/core/read_file.h"

namespace vael {

namespace {

constexpr const char* classNames[] = {"PLeader",
                                      "PTezhar",
                                      "PHeavyInfantry",
                                      "PLancer",
                                      "PPhalanx",
                                      "PCardaces",
                                      "PArcher",
                                      "PMountedArcher",
                                      "PChariotArcher",
                                      "PShockingArcher",
                                      "PJavelinist",
                                      "PShockingJavelinist",
                                      "PMountedJavelinist",
                                      "PChariotJavelinist",
                                      "PElephant",
                                      "PSlinger",
                                      "POxybeles"};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits off the next blank-separated word of rest.
std::string_view word(std::string_view& rest) {
    std::size_t start = 0;
    while (start < rest.size() && isBlank(rest[start]))
        ++start;
    std::size_t end = start;
    while (end < rest.size() && !isBlank(rest[end]))
        ++end;
    const std::string_view w = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return w;
}

// A word of the file as a message quotes it: what a terminal or a box would not show as it is, escaped.
std::string shown(std::string_view w) {
    return printable(std::string(w), LoneBytes::Escaped);
}

std::optional<long> number(std::string_view w, long low, long high) {
    long value = 0;
    const auto [end, fault] = std::from_chars(w.data(), w.data() + w.size(), value);
    if (fault != std::errc() || end != w.data() + w.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

const char* displayClassName(DisplayClass c) {
    const auto i = static_cast<std::size_t>(c);
    return i < std::size(classNames) ? classNames[i] : nullptr;
}

std::optional<DisplayClass> displayClassNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(classNames); ++i)
        if (name == classNames[i]) return static_cast<DisplayClass>(i);
    return std::nullopt;
}

bool DisplayCatalogue::parse(std::string_view text) {
    entries_ = {};
    error_.clear();
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        entries_ = {};
        error_ = std::string(FileName) + " line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        std::string_view rest = line;
        const std::string_view first = word(rest);
        if (first.empty() || first.front() == '#') continue;

        DisplayCatalogueEntry e;
        const auto id = number(first, 0, TypeIdCount - 1);
        if (!id) return fail("the type id \"" + shown(first) + "\" is not a number from 0 to 44");
        e.typeId = static_cast<std::uint16_t>(*id);
        if (entries_[e.typeId]) return fail("type id " + std::to_string(e.typeId) + " is given twice");
        const std::string_view className = word(rest);
        const auto displayClass = displayClassNamed(className);
        if (!displayClass) return fail("\"" + shown(className) + "\" is no display class");
        e.displayClass = *displayClass;
        const std::string_view kindWord = word(rest);
        const auto kind = number(kindWord, 0, 15);
        if (!kind) return fail("the unit kind \"" + shown(kindWord) + "\" is not a number from 0 to 15");
        e.unitKind = static_cast<std::int32_t>(*kind);
        const std::string_view missileWord = word(rest);
        if (missileWord != "-") {
            const auto missile = number(missileWord, 0, 4);
            if (!missile)
                return fail("the missile kind \"" + shown(missileWord) + "\" is neither - nor 0 to 4");
            e.missileKind = static_cast<std::int16_t>(*missile);
        }
        const std::string_view nationWord = word(rest);
        const auto nation = number(nationWord, 1, 9);
        if (!nation) return fail("the nation \"" + shown(nationWord) + "\" is not a number from 1 to 9");
        e.nation = static_cast<std::uint32_t>(*nation);
        while (!rest.empty() && isBlank(rest.front()))
            rest.remove_prefix(1);
        while (!rest.empty() && isBlank(rest.back()))
            rest.remove_suffix(1);
        if (rest.empty()) return fail("type id " + std::to_string(e.typeId) + " names no archive");
        if (rest.size() > LongestArchiveName)
            return fail("the archive name \"" + shown(rest) + "\" is longer than " +
                        std::to_string(LongestArchiveName) + " characters");
        for (const char c : rest)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return fail("the archive name of type id " + std::to_string(e.typeId) +
                            " holds a control character");
        e.archive = std::string(rest);
        entries_[e.typeId] = std::move(e);
    }
    return true;
}

bool DisplayCatalogue::load(const std::string& path) {
    std::string text;
    if (!readDataText(path, text, error_, file_limits::Text)) {
        entries_ = {};
        return false;
    }
    if (!parse(text)) return false;
    // A catalogue of nothing shows every unit without artwork as a damaged one does, and is told as one.
    if (entries().empty()) return error_ = std::string(FileName) + " names no display type", false;
    return true;
}

const DisplayCatalogueEntry* DisplayCatalogue::find(std::uint16_t typeId) const {
    return typeId < TypeIdCount && entries_[typeId] ? &*entries_[typeId] : nullptr;
}

std::vector<const DisplayCatalogueEntry*> DisplayCatalogue::entries() const {
    std::vector<const DisplayCatalogueEntry*> list;
    for (const auto& e : entries_)
        if (e) list.push_back(&*e);
    return list;
}

std::vector<std::uint16_t> DisplayCatalogue::missing() const {
    std::vector<std::uint16_t> ids;
    for (std::uint16_t id = 0; id < TypeIdCount; ++id)
        if (!entries_[id]) ids.push_back(id);
    return ids;
}

std::vector<const DisplayCatalogueEntry*> DisplayCatalogue::archives() const {
    std::vector<const DisplayCatalogueEntry*> list;
    std::set<std::string> seen;
    for (const auto& e : entries_)
        if (e && seen.insert(e->archive).second) list.push_back(&*e);
    return list;
}

} // namespace vael
