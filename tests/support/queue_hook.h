#pragma once
// Test support: a component that does its work as the handler of one named message, as the game's steps run
// from the application's queue, so that whatever the work sends waits behind it.
#include <functional>
#include <utility>

#include "framework/core/bus.h"
#include "framework/core/component.h"

namespace vael::test {

struct QueueHook : Component {
    QueueHook(const char* message, std::function<void()> work) : message(message), work(std::move(work)) {}
    void connectHandlers() override { connectNamed(message, onMessage); }
    static ContainerBase* onMessage(Component* target, BusMessage, ContainerBase*) {
        static_cast<QueueHook*>(target)->work();
        return nullptr;
    }
    const char* message;
    std::function<void()> work;
};

// Attaches a hook to the bus and sends its message once: the work runs as one step of the queue.
inline void inOneStep(Bus& bus, std::function<void()> work) {
    QueueHook step("Step", std::move(work));
    step.attach(bus);
    step.sendNamedEmpty("Step");
}

} // namespace vael::test
