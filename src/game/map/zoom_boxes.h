#pragma once
// The boxes a game sprite dirtied in one step, one list per zoom level (full, half, quarter). It is the
// framework sprite's box list as well: to a caller that knows only that, the list is the full-size one.
#include "framework/core/container.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"

namespace vael {

class ZoomBoxes : public Container<List<Box>> {
public:
    static constexpr int Levels = 3;

    ContainerBase* clone() const override {
        auto* copy = new ZoomBoxes();
        for (int i = 0; i < Levels; ++i)
            copy->level(i) = level(i);
        return copy;
    }

    List<Box>& level(int i) { return i == 0 ? *valuePtr() : smaller_[i - 1]; }
    const List<Box>& level(int i) const { return i == 0 ? *valuePtr() : smaller_[i - 1]; }

private:
    List<Box> smaller_[Levels - 1];
};

} // namespace vael
