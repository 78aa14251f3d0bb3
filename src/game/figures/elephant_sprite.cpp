#include "game/figures/elephant_sprite.h"

#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/map/map_message_names.h"

namespace vael {

namespace {

std::uint16_t casualtyKind() {
    return RegisteredMessage::getId(msg::RampageCasualty);
}

std::uint16_t moveKind() {
    return RegisteredMessage::getId(msg::RampageMove);
}

} // namespace

ElephantSprite::ElephantSprite(std::int16_t region, const Point3D& offset, const FrameInfo& frame,
                               std::uint16_t layer, VaelArtworkOwner* owner, std::uint32_t drawMode,
                               OIF<Bitmap>* normal, OIF<Bitmap>* half, OIF<Bitmap>* quarter)
    : VaelSprite(region, offset, frame, layer, owner, drawMode, normal, half, quarter, 0) {}

void ElephantSprite::addRampageCasualty(VaelObjectRef victim, std::int16_t hits) {
    debugStream() << "ES: In AddRampageCasualty " << static_cast<const void*>(victim.get()) << " " << hits
                  << "%" << std::endl;
    // The count rides in the event's hex field.
    addEvent(static_cast<std::uint16_t>(hits), Point4D(), List<Bitmap*>(), -1, casualtyKind(), 0);
    victims_.append(victim);
}

void ElephantSprite::addRampageMove(VaelObjectRef victim, std::int16_t moves) {
    debugStream() << "ES: In AddRampageMove " << static_cast<const void*>(victim.get()) << " " << moves
                  << std::endl;
    addEvent(static_cast<std::uint16_t>(moves), Point4D(), List<Bitmap*>(), -1, moveKind(), 0);
    victims_.append(victim);
}

std::uint16_t ElephantSprite::rampageEvents() const {
    std::uint16_t count = 0;
    Item<SpriteEvent>* it = nullptr;
    for (events().firstItem(it); it; it = it->next)
        if (it->value.kind == casualtyKind() || it->value.kind == moveKind()) ++count;
    return count;
}

bool ElephantSprite::takeVictims(const List<VaelObjectRef>& victims) {
    if (victims.count() != rampageEvents()) return false;
    victims_ = victims;
    return true;
}

bool ElephantSprite::queuesKind(std::uint16_t kind) const {
    return kind == casualtyKind() || kind == moveKind() || VaelSprite::queuesKind(kind);
}

void ElephantSprite::processEvent(SpriteEvent& event, std::int32_t now) {
    const bool casualty = event.kind == casualtyKind();
    if (!casualty && event.kind != moveKind()) return VaelSprite::processEvent(event, now);
    const auto count = static_cast<std::int16_t>(event.region);
    VaelObjectRef held;
    const bool found = victims_.removeFirst(held);
    // The event goes first: the victim may be stepped by the same tick.
    removeFirstEvent();
    VaelDisplayObject* victim = held.get();
    if (!found || !victim) return;
    if (casualty) {
        debugStream() << "ES: Processing a rampage casualty " << static_cast<const void*>(victim)
                      << std::endl;
        debugStream() << "ES: Cohesion hit " << count << std::endl;
        victim->rampageCasualty(count);
    } else {
        debugStream() << "ES: Processing a rampage move " << static_cast<const void*>(victim) << std::endl;
        debugStream() << "ES: Num moves " << count << std::endl;
        victim->rampageMove(count);
    }
}

} // namespace vael
