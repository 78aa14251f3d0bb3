#pragma once
// The placing of a display's children by edge constraints: each child has a record of four constraints
// (horizontal position, vertical position, width or right edge, height or bottom edge), each relative to
// the parent or to a sibling. The records become linear equations over the children's edge variables in
// 16.16 fixed point, ordered so that each is worked out after its inputs.
#include <cstdint>
#include <vector>

#include "framework/core/geometry.h"

namespace vael {

class Display;

enum TEdge : std::uint8_t { lmLeft = 0, lmTop, lmRight, lmBottom, lmCenter, lmWidth, lmHeight };
enum TRelationship : std::uint8_t {
    lmAsIs = 0,
    lmPercentOf = 1,
    lmAbove = 2, // also left of
    lmBelow = 3, // also right of
    lmSameAs = 4,
    lmAbsolute = 5,
};
enum TUnits : std::uint8_t { lmPixels = 0, lmLayoutUnits = 1 };

struct TEdgeConstraint {
    Display* relWin = nullptr; // null: the parent
    std::uint8_t first = 0;    // own edge, relationship << 4
    std::uint8_t second = 0;   // units, other edge << 4
    std::int16_t value = 0;

    std::uint8_t myEdge() const { return first & 0xF; }
    std::uint8_t relationship() const { return first >> 4; }
    std::uint8_t units() const { return second & 0xF; }
    std::uint8_t otherEdge() const { return second >> 4; }
    void set(std::uint8_t edge, std::uint8_t rel, Display* other, std::uint8_t otherEdgeCode, std::int16_t v,
             std::uint8_t unitCode = lmPixels) {
        relWin = other;
        first = static_cast<std::uint8_t>((edge & 0xF) | rel << 4);
        second = static_cast<std::uint8_t>((unitCode & 0xF) | otherEdgeCode << 4);
        value = v;
    }
    void setRelationship(std::uint8_t rel) { first = static_cast<std::uint8_t>((first & 0xF) | rel << 4); }
    void setOtherEdge(std::uint8_t e) { second = static_cast<std::uint8_t>((second & 0xF) | e << 4); }
    void setUnits(std::uint8_t u) { second = static_cast<std::uint8_t>((second & 0xF0) | (u & 0xF)); }
};

struct TWindowMetrics {
    TEdgeConstraint x, y, width, height;

    // Everything as it is, in layout units.
    TWindowMetrics();
    void setUnits(std::uint8_t units);
    TEdgeConstraint& edge(int e) { return e == 0 ? x : e == 1 ? y : e == 2 ? width : height; }
};

struct TConstraint;

struct TVariable {
    std::int16_t value = 0;
    TConstraint* determinedBy = nullptr;
    std::int16_t resolved = 0;
};

// output = (constant + the sum of coefficient × input) >> 16.
struct TConstraint {
    static constexpr std::int32_t One = 0x10000;

    TVariable* inputs[3] = {nullptr, nullptr, nullptr};
    TVariable* output = nullptr;
    std::int32_t coefficients[3] = {One, One, One};
    std::int32_t constant = 0;

    int inputCount() const { return inputs[0] ? inputs[1] ? inputs[2] ? 3 : 2 : 1 : 0; }
    // Adds an input; false when three are there already.
    bool addInput(TVariable* input, std::int32_t coefficient);
    std::int16_t evaluate() const;
};

struct TChildMetrics {
    std::int16_t generated = 0;
    Display* child = nullptr;
    TWindowMetrics metrics;
    TVariable variables[4]; // left, top, right, bottom
};

class TLayoutWindow {
public:
    // The height of the text of the main window's font; a layout unit is an eighth of it.
    using TextHeight = std::int16_t (*)();
    static constexpr std::int16_t DefaultTextHeight = 16;
    static TextHeight setTextHeight(TextHeight source);

    TLayoutWindow(Display* display, const Dim& size);
    ~TLayoutWindow();
    TLayoutWindow(const TLayoutWindow&) = delete;
    TLayoutWindow& operator=(const TLayoutWindow&) = delete;

    void setChildMetrics(Display* child, const TWindowMetrics& metrics);
    std::int16_t getChildMetrics(Display* child, TWindowMetrics& metrics) const;
    std::int16_t removeChild(Display* child);
    void setSize(const Dim& size);
    void layout();
    void drawChildren();

    Dim size() const { return size_; }
    std::int16_t numChildMetrics() const { return static_cast<std::int16_t>(children_.size()); }
    std::size_t plannedConstraints() const { return plan_.size(); }
    std::size_t unplannedConstraints() const { return unordered_.size(); }

private:
    TChildMetrics* find(const Display* child) const;
    // The variables of a window: the parent's own for null, null for a window that is not recorded.
    TVariable* variablesOf(const Display* window);
    std::int16_t toPixels(std::int16_t value, std::uint8_t units) const;
    void buildConstraints(TChildMetrics& record);
    void buildConstraint(TChildMetrics& record, int e);
    // Rewrites `earlier` so that it no longer reads the output of `added`.
    void substitute(TConstraint& earlier, const TConstraint& added);
    void removeConstraints(TChildMetrics& record);
    void buildPlan();

    Dim size_;
    Display* display_;
    std::vector<TChildMetrics*> children_; // the newest first
    std::vector<TConstraint*> unordered_;  // the newest first
    std::vector<TConstraint*> plan_;
    TVariable own_[4];
    std::int16_t planIsDirty_ = 0;
    std::int16_t textHeight_ = DefaultTextHeight;
};

} // namespace vael
