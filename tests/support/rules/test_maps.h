#pragma once
// Small logical maps for tests, made with the map-file builder, and the conversions the tests compare
// answers with: values and lists as text, so that a row of hand-computed answers is one comparison.
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/core/list.h"
#include "framework/core/super_string.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"
#include "game/rules/landscape/vael_logical_landscape.h"

namespace vael::test {

using Hexes = std::vector<short>;

inline LogicalMapFile readMapFile(const MapFileBuilder& builder) {
    LogicalMapFile file;
    const auto bytes = builder.bytes();
    file.read(bytes.data(), bytes.size(), "test.map");
    return file;
}

inline std::unique_ptr<VaelLogicalLandscape> makeLandscape(const MapFileBuilder& builder) {
    return std::make_unique<VaelLogicalLandscape>(readMapFile(builder));
}

inline std::unique_ptr<VaelLogicalLandscape> makeLandscape(int width, int height) {
    return makeLandscape(MapFileBuilder(static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height)));
}

template <class T> std::vector<T> toVector(const List<T>& list) {
    std::vector<T> out;
    ListIterator<T> it(const_cast<List<T>&>(list));
    for (T value{}; it.next(value);)
        out.push_back(value);
    return out;
}

template <class T> List<T> listOf(std::initializer_list<T> values) {
    List<T> out;
    for (const T& value : values)
        out.append(value);
    return out;
}

// f's answer for each argument, space-separated.
template <class Range, class F> std::string answers(const Range& args, F f);

template <class T> constexpr bool isNumberList = false;
template <class T> constexpr bool isNumberList<List<T>> = std::is_arithmetic_v<T>;

// A number as digits, a string as it is, a list of numbers (hexes) as its numbers in brackets.
template <class T> std::string text(const T& value) {
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>)
        return std::to_string(static_cast<long long>(value));
    else if constexpr (isNumberList<T>) {
        std::string out = "[";
        out += answers(toVector(value), [](auto n) { return n; });
        return out += ']';
    } else
        return std::string(value);
}

template <class... T> std::string values(const T&... v) {
    std::string out;
    ((out += ' ', out += text(v)), ...);
    return out.empty() ? out : out.substr(1);
}

template <class Range, class F> std::string answers(const Range& args, F f) {
    std::string out;
    for (const auto& a : args)
        out += ' ', out += text(f(a));
    return out.empty() ? out : out.substr(1);
}
template <class A, class F> std::string answers(std::initializer_list<A> args, F f) {
    return answers<std::initializer_list<A>, F>(args, f);
}

// The bytes a stream holds, and a stream of the bytes of each part in turn.
inline std::vector<std::uint8_t> bytesOf(const SuperString& s) {
    const std::string raw = s.str();
    return {raw.begin(), raw.end()};
}
inline SuperString streamOf(std::initializer_list<std::vector<std::uint8_t>> parts) {
    SuperString s;
    for (const auto& part : parts)
        s.write(part.data(), static_cast<std::int32_t>(part.size()));
    return s;
}

// Lines as one text, separated by '|', so that a table row's expected lines fit in one string.
inline std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += i ? "|" : "", out += lines[i];
    return out;
}

// f's answer for each pair (a, b) of a flat list a1, b1, a2, b2, ...
template <class F> std::string pairAnswers(std::initializer_list<int> flat, F f) {
    std::string out;
    for (auto it = flat.begin(); it + 1 < flat.end(); it += 2)
        out += ' ', out += text(f(it[0], it[1]));
    return out.empty() ? out : out.substr(1);
}

} // namespace vael::test
