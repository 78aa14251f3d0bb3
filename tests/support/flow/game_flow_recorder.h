#pragma once
// Test support: a component that stands in, on one bus, for everything around the turn sequence that a
// test does not build: the battle-map display (flags, scars, zooms, arrows), the commentary window and
// the main window, the application (autosave, the end of the battle), the leaders and the phase handlers.
// It writes down each message it was told to hear, in order of arrival, with what it carries, and runs
// what the test scripted for it (a reply, or the next message of the machine it plays).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/core/component.h"

namespace vael::test {

class GameFlowRecorder : public Component {
public:
    using Reaction = std::function<ContainerBase*(GameFlowRecorder& self, const ContainerBase* data)>;

    explicit GameFlowRecorder(std::vector<std::string> heard, const char* name = "Game Flow Recorder")
        : Component(name), heard_(std::move(heard)) {}

    void connectHandlers() override;
    // What the recorder does after writing a message down; its answer is the handler's reply.
    void on(const std::string& message, Reaction reaction) { reactions_[message] = std::move(reaction); }
    // Sends a message from this machine: a string, a short or nothing.
    void say(const std::string& message, const std::string& text);
    void say(const std::string& message, short value);
    void say(const std::string& message);

    // "ActivateLeader 3", "AddCommentary \B** Turn #2 **\b", "EndOfTurn 0 lost 0/30 0/20 ...".
    std::vector<std::string> log;
    // The lines of the log whose message is one of names, in order.
    std::vector<std::string> only(std::initializer_list<const char*> names) const;
    // The message names alone.
    std::vector<std::string> names() const;

    static std::string describe(const std::string& message, const ContainerBase* data);

private:
    static ContainerBase* onMessage(Component* target, BusMessage event, ContainerBase* data);
    std::vector<std::string> heard_;
    std::map<std::string, Reaction> reactions_;
};

} // namespace vael::test
