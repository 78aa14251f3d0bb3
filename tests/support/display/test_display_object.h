#pragma once
// Test support: what the display layer and its sprites need of the game's unit display objects, in the
// least form. A display object of this kind owns one sprite per offset it is given, all starting on one
// frame; a test scripts what it does with a command (by default the framework's own move), and the object
// notes the commands it started and finished. Prototypes are made with logical id 0 and give their offsets
// and script to the objects they create, as the game's display objects give theirs.
#include <functional>
#include <string>
#include <vector>

#include "framework/display/physical_object.h"

namespace vael::test {

class TestDisplayObject : public PhysicalObject {
public:
    using Script = std::function<void(TestDisplayObject& self, LogicalCommandInfo& command)>;

    TestDisplayObject(const std::string& library, std::uint16_t logicalId, std::vector<Point3D> offsets,
                      Bitmap* frame = nullptr, Script script = {})
        : PhysicalObject(library, logicalId, 0), offsets_(std::move(offsets)), frame_(frame),
          script_(std::move(script)) {
        for (const Point3D& offset : offsets_)
            addSprite(new Sprite(0, offset, frame_, 0, reinterpret_cast<std::uintptr_t>(this), 1), offset);
        ++live;
    }
    ~TestDisplayObject() override { --live; }

    PhysicalObject* create(std::uint16_t logicalId) override {
        return new TestDisplayObject(images_.name(), logicalId, offsets_, frame_, script_);
    }
    void handleEvent(LogicalCommandInfo& command) override {
        started.push_back(command.event.id());
        if (script_)
            script_(*this, command);
        else
            PhysicalObject::handleEvent(command);
    }
    void commandFinished(LogicalCommandInfo& command) override { finished.push_back(command.event.id()); }

    // Puts a sprite in motion for the command being started.
    void activate(Sprite* s) { activeSprites_.append(s); }

    std::vector<std::int32_t> started, finished;
    static inline int live = 0;

private:
    std::vector<Point3D> offsets_;
    Bitmap* frame_;
    Script script_;
};

} // namespace vael::test
