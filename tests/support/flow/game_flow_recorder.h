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

using Lines = std::vector<std::string>;

// A component that writes down, in order of arrival, a line for each message it hears: its name and what
// it carries ("ActivateLeader 3", "AddCommentary \\B** Turn #2 **\\b").
class MessageLog : public Component {
public:
    using Component::Component;
    std::vector<std::string> log;
    // The lines whose message is one of names, in order; the message names alone.
    std::vector<std::string> only(std::initializer_list<const char*> names) const;
    std::vector<std::string> names() const;
};

class GameFlowRecorder : public MessageLog {
public:
    using Reaction = std::function<ContainerBase*(GameFlowRecorder& self, const ContainerBase* data)>;

    explicit GameFlowRecorder(std::vector<std::string> heard, const char* name = "Game Flow Recorder")
        : MessageLog(name), heard_(std::move(heard)) {}

    void connectHandlers() override;
    // What the recorder does after writing a message down; its answer is the handler's reply.
    void on(const std::string& message, Reaction reaction) { reactions_[message] = std::move(reaction); }
    // ... only the next messages of the machine it plays, with no reply;
    void then(const std::string& message, std::function<void(GameFlowRecorder&)> next) {
        on(message, [next](GameFlowRecorder& self, const ContainerBase*) -> ContainerBase* {
            return next(self), nullptr;
        });
    }
    // ... or always the same reply.
    template <class T> void answer(const std::string& message, T reply) {
        on(message, [reply](GameFlowRecorder&, const ContainerBase*) -> ContainerBase* {
            return new Container<T>(reply);
        });
    }
    // Sends a message from this machine, carrying the value given or nothing.
    template <class T> void say(const std::string& message, const T& value) {
        Container<T> box(value);
        sendNamed(message, &box);
    }
    void say(const std::string& message) { sendNamedEmpty(message); }

    static std::string describe(const std::string& message, const ContainerBase* data);

private:
    static ContainerBase* onMessage(Component* target, BusMessage event, ContainerBase* data);
    std::vector<std::string> heard_;
    std::map<std::string, Reaction> reactions_;
};

} // namespace vael::test
