#include "framework/display/physical_object.h"

#include <memory>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/payload_check.h"
#include "framework/display/display_message_names.h"

namespace vael {

PhysicalObject::PhysicalObject(const std::string& libraryName, std::uint16_t logicalId,
                               std::uint32_t creationValue)
    : Component("Unnamed PhysicalObject"), logicalId_(logicalId), images_(libraryName),
      creationValue_(creationValue) {}

PhysicalObject::~PhysicalObject() {
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i)
        delete sprite(i);
}

void PhysicalObject::connectHandlers() {
    connect(LOGICAL_COMMAND, onLogicalCommand);
    connect(UPDATE_PHYSICAL_OBJECT, onUpdate);
}

Sprite* PhysicalObject::sprite(std::int16_t index) {
    if (index < 0 || index >= static_cast<std::int16_t>(spriteCount_)) return nullptr;
    return sprites_[index];
}

void PhysicalObject::addSprite(Sprite* sprite, const Point3D& offset) {
    sprites_[spriteCount_] = sprite;
    spriteOffsets_[spriteCount_] = offset;
    ++spriteCount_;
}

PhysicalObject* PhysicalObject::create(std::uint16_t logicalId) {
    return new PhysicalObject(images_.name(), logicalId, 1);
}

std::int16_t PhysicalObject::queueCommand(const LogicalCommandInfo& command) {
    if (commands_.isEmpty()) {
        Container<short> me(getId());
        send(PHYSICAL_OBJECT_ACTIVATED, &me);
    }
    commands_.push(command);
    Item<LogicalCommandInfo>* last = nullptr;
    if (commands_.lastItem(last)) last->value.order = ++queuedSoFar_;
    return 0;
}

void PhysicalObject::disableSprite(Sprite* sprite) {
    Container<Sprite*> box(sprite);
    send(SPRITE_DISABLED, &box);
}

void PhysicalObject::enableSprite(Sprite* sprite) {
    Container<Sprite*> box(sprite);
    send(SPRITE_ENABLED, &box);
}

void PhysicalObject::handleEvent(LogicalCommandInfo& command) {
    if (command.event.id() != LOGICAL_OBJECT_MOVED) return;
    Container<short> region(static_cast<short>(command.value));
    std::unique_ptr<ContainerBase> answer(queryNamed(msg::GetRegionLocation, &region));
    Point3D place;
    takeAnswer(answer.get(), place, __FILE__, __LINE__);
    const Point4D target(place, MoveDuration);

    List<Bitmap*> frames;
    const std::int16_t count = images_.imageCount();
    for (std::int16_t i = 0; i < count; ++i)
        if (Bitmap* image = images_.lockImageAt(i)) frames.append(image);

    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        Sprite* s = sprite(i);
        if (!s) continue;
        s->addEvent(command.value, Point4D(target + Point4D(spriteOffsets_[i], 0)), frames, -1, SpriteMove,
                    0);
        activeSprites_.append(s);
    }
}

void PhysicalObject::finishCommand() {
    Item<LogicalCommandInfo>* head = nullptr;
    if (!commands_.firstItem(head)) return;
    commandFinished(head->value);
    // The head stays queued while its reply goes, so that a command the reply brings in joins the queue
    // behind it rather than activating the object a second time.
    send(head->value.replyEvent, head->value.extra.get());
    commands_.removeFirst();
    if (commands_.isEmpty()) {
        Container<short> me(getId());
        dropAnswer(query(PHYSICAL_OBJECT_DEACTIVATED, &me));
    }
}

Container<Box>* PhysicalObject::update(std::int32_t now) {
    Item<LogicalCommandInfo>* head = nullptr;
    if (!commands_.firstItem(head)) return nullptr;
    if (activeSprites_.isEmpty()) {
        handleEvent(head->value);
        // A command that sets nothing moving would otherwise be offered again at every tick and never
        // answered, and the logical side would wait on it for ever.
        if (activeSprites_.isEmpty()) {
            finishCommand();
            return nullptr;
        }
    }
    Box dirty;
    bool any = false;
    Item<Sprite*>* it = nullptr;
    activeSprites_.firstItem(it);
    while (it) {
        Item<Sprite*>* next = it->next;
        std::unique_ptr<Container<List<Box>>> boxes(it->value->update(now));
        Box box;
        // A sprite answers no box only when it had no event left; a frameless one at the origin still
        // answers its (zero) box while it moves.
        if (!boxes || !boxes->valuePtr()->first(box)) {
            activeSprites_.removeItem(it);
            if (activeSprites_.isEmpty()) {
                finishCommand();
                return nullptr;
            }
        } else {
            dirty = any ? dirty | box : box;
            any = true;
        }
        it = next;
    }
    return new Container<Box>(dirty);
}

ContainerBase* PhysicalObject::onLogicalCommand(Component* target, BusMessage, ContainerBase* data) {
    auto* self = static_cast<PhysicalObject*>(target);
    callWithPayload<LogicalCommandInfo>(data, "PHYSOBJ", __LINE__,
                                        [&](const LogicalCommandInfo& c) { return self->queueCommand(c); });
    return nullptr;
}

ContainerBase* PhysicalObject::onUpdate(Component* target, BusMessage, ContainerBase* data) {
    auto* self = static_cast<PhysicalObject*>(target);
    return callWithPayload<long>(data, "PHYSOBJ", __LINE__, [&](const long& now) -> ContainerBase* {
        return self->update(static_cast<std::int32_t>(now));
    });
}

} // namespace vael
