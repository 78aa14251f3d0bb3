#pragma once
// Test support: the least of a window that a viewport serves: a component that notes the events it is
// given (through the bus recorder) and counts the live instances, so that tests see which were deleted.
#include "support/bus_recorder.h"

namespace vael::test {

class TestWindow : public Probe {
public:
    explicit TestWindow(const char* name = "W") : Probe(name) { ++live; }
    ~TestWindow() override { --live; }
    static inline int live = 0;
};

} // namespace vael::test
