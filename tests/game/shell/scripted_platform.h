#pragma once
// The headless platform with a hook for the moments the game waits for input with nothing queued: the
// script looks at the game then and gives its next input.
#include <functional>

#include "platform/headless/headless_platform.h"

namespace vael::test {

class ScriptedPlatform : public platform::HeadlessPlatform {
public:
    bool waitEvent(platform::Event& event) override {
        if (!eventWaiting() && idle) idle();
        return HeadlessPlatform::waitEvent(event);
    }
    std::function<void()> idle;
};

} // namespace vael::test
