#pragma once
// The displayed counterpart of one logical object. The logical side hands it commands; it plays them one
// at a time as animations of its sprites, stepped by the physical layer's tick, and answers each with the
// reply the command carries once every sprite it set going has run out of events.
#include <cstdint>
#include <string>

#include "framework/core/command_records.h"
#include "framework/core/component.h"
#include "framework/core/dyn_array.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/oif.h"
#include "framework/display/sprite.h"

namespace vael {

class PhysicalObject : public Component {
public:
    // How long the framework's own move to another region lasts, in clock units.
    static constexpr std::int32_t MoveDuration = 2000;

    PhysicalObject(const std::string& libraryName, std::uint16_t logicalId, std::uint32_t creationValue);
    ~PhysicalObject() override;
    void connectHandlers() override;

    // Starts playing a command: puts its sprites in motion and lists them as active.
    virtual void handleEvent(LogicalCommandInfo& command);
    // Called when the last active sprite of a command has finished, before the reply goes.
    virtual void commandFinished(LogicalCommandInfo&) {}
    virtual Sprite* sprite(std::int16_t index);
    // A new box of the dirty area, or null in the update that finished a command (or with nothing to do);
    // the caller deletes it.
    virtual Container<Box>* update(std::int32_t now);
    // A new object of the same kind for another logical object; the caller owns it.
    virtual PhysicalObject* create(std::uint16_t logicalId);
    virtual void save(std::ostream&) {}
    virtual void load(std::istream&) {}
    virtual void preload() {}

    std::int16_t queueCommand(const LogicalCommandInfo& command);
    void disableSprite(Sprite* sprite);
    void enableSprite(Sprite* sprite);

    std::uint16_t logicalId() const { return logicalId_; }
    std::uint16_t id() const { return id_; }
    void setId(std::uint16_t id) { id_ = id; }
    std::uint32_t creationValue() const { return creationValue_; }
    std::uint16_t spriteCount() const { return spriteCount_; }
    const List<Sprite*>& activeSprites() const { return activeSprites_; }
    const Queue<LogicalCommandInfo>& commands() const { return commands_; }
    OIF<Bitmap>& images() { return images_; }

protected:
    // Takes ownership of the sprite, placed at the offset from the object's position.
    void addSprite(Sprite* sprite, const Point3D& offset);
    // The head command is over: hook, reply, and the object goes quiet when nothing else is queued.
    void finishCommand();

    std::uint16_t logicalId_;
    OIF<Bitmap> images_;
    DynArray<Sprite*> sprites_{10};
    DynArray<Point3D> spriteOffsets_{10};
    std::uint16_t spriteCount_ = 0;
    List<Sprite*> activeSprites_;
    Queue<LogicalCommandInfo> commands_;
    std::uint32_t creationValue_;
    std::uint16_t id_ = 0;
    static inline std::uint32_t queuedSoFar_ = 0;

private:
    static ContainerBase* onLogicalCommand(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onUpdate(Component* target, BusMessage event, ContainerBase* data);
};

VAEL_TYPE_NAME(PhysicalObject, "PhysicalObject");

} // namespace vael
