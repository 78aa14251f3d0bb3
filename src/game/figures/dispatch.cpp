// How a unit's display object shows what the logical side tells it: each command's event is matched by
// name, in a fixed order, and turned into events on the figures, the flag and the gear a routing figure
// drops. Nothing here waits: the sprites a command must wait for go on the active list and the animation
// step finishes the command when they have played out.

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/hex_map.h"
#include "game/figures/p_archer.h"
#include "game/figures/p_javelinist.h"
#include "game/figures/p_slinger.h"
#include "game/figures/rampage_cohesion_hit_struct.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/shock_records.h"
#include "game/rules/random_number_generator.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

List<short> pathOf(const LogicalCommandInfo& command) {
    List<short> path;
    if (const auto* box = dynamic_cast<const Container<List<short>>*>(command.payload.get()))
        path = *box->valuePtr();
    return path;
}

short lastOf(const List<short>& path, short otherwise) {
    short last = otherwise;
    path.last(last);
    return last;
}

List<FrameInfo> standingFrame(std::int32_t facing) {
    return sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(facing - 1));
}

// Every frame of a group, or of the group once each but the last shown for two ticks (a slow drop).
List<FrameInfo> groupFrames(OIF<Bitmap>& art, std::int16_t group, bool doubled) {
    List<FrameInfo> frames;
    art.selectGroupIndex(group);
    const std::string name = art.currentGroupName();
    const std::int16_t n = art.imageCount(group);
    for (std::int16_t i = 0; i < n; ++i) {
        frames.append(FrameInfo(name, i));
        if (doubled && i + 1 < n) frames.append(FrameInfo(name, i));
    }
    return frames;
}

} // namespace

void VaelPhysicalObject::maybeRear(VaelSprite& s, std::int16_t d) {
    if (!traits().rears) return;
    if (Roll::shown() % 100 >= 20 || !images_.hasGroup("RN")) return;
    const auto group = static_cast<std::int16_t>(images_.findGroup("RN") + d);
    images_.selectGroupIndex(group);
    const std::string name = images_.currentGroupName();
    List<FrameInfo> frames;
    for (std::int16_t i : {0, 1, 2, 3, 4, 2})
        frames.append(FrameInfo(name, i));
    frames.append(FrameInfo("Standing", d));
    sprite_calls::addFrameEvent(s, region(), Point4D(), frames, -1, SpriteAnimateOnce, 0);
}

std::vector<bool> VaelPhysicalObject::chooseFallen(std::int16_t count, const std::int32_t* contact) {
    const auto n = static_cast<std::int16_t>(spriteCount_);
    std::vector<bool> chosen(static_cast<std::size_t>(n), false);
    if (n <= 0 || count <= 0) return chosen;
    RandomNumberGenerator dice(static_cast<std::uint16_t>(region()));
    const std::int32_t step = 100 / n;
    for (std::int16_t c = 0; c < count; ++c) {
        std::int16_t firstEligible = -1;
        for (std::int16_t i = 0; i < n; ++i)
            if (living(i) && !chosen[static_cast<std::size_t>(i)]) {
                firstEligible = i;
                break;
            }
        // Nobody left to fall: the walk below would never end.
        if (firstEligible < 0) break;
        std::int16_t pick = -1;
        // Each casualty's walk starts at figure 0 and wraps until it picks; a figure out of contact is taken
        // only once the walk has come round once. Every draw of a candidate has a fair chance, so the walk
        // ends long before the bound, which only guards against a generator gone wrong.
        int pass = 0;
        for (; pass < FallenWalkPassLimit && pick < 0; ++pass)
            for (std::int16_t i = 0; i < n && pick < 0; ++i) {
                if (!living(i) || chosen[static_cast<std::size_t>(i)]) continue;
                if (!contact) {
                    if (dice.percent() < step) pick = i;
                    continue;
                }
                if (dice.percent() < step && contact[i] != 0)
                    pick = i;
                else if (pass > 0 && dice.percent() < step)
                    pick = i;
            }
        if (pick < 0)
            debugStream() << "Choosing the fallen on hex " << region() << " gave up after " << pass
                          << " passes; the first figure that may fall falls" << std::endl;
        if (pick < 0) pick = firstEligible;
        chosen[static_cast<std::size_t>(pick)] = true;
    }
    return chosen;
}

void VaelPhysicalObject::engagedSides(const List<short>& enemies, std::int16_t out[9]) const {
    for (int d = 0; d < 9; ++d)
        out[d] = 0;
    Item<short>* it = nullptr;
    for (enemies.firstItem(it); it; it = it->next) {
        if (!HexMap::isAdjacent(region(), it->value)) continue;
        // The hex map counts its sides two steps on from the facings; back in the facings' numbering the
        // side straight ahead comes out as 1.
        const auto side = rotateAnticlockwise(static_cast<DIRECTION>(facingToward(region(), it->value)), 2);
        const auto d = rotateAnticlockwise(side, static_cast<std::uint8_t>(facing_ - 1));
        if (d >= 1 && d <= 8) out[d] = 1;
    }
    // Only the plain foot missile classes keep both front corners; their subclasses (mounted, shocking)
    // close them into the front.
    const std::type_info& exact = typeid(*this);
    if (exact != typeid(PArcher) && exact != typeid(PJavelinist) && exact != typeid(PSlinger) && out[2] &&
        out[8]) {
        out[1] = 1;
        out[2] = out[8] = 0;
    }
}

void VaelPhysicalObject::showFall(std::int16_t k, VaelSprite& s, bool sound, int pauses) {
    const FrameInfo f = playCasualty(*this, "");
    for (int i = 0; i < pauses; ++i)
        sprite_calls::addPlainEvent(s, SpriteDrawPlain);
    if (f.index != -1) {
        if (sound) sprite_calls::addSoundEvent(s, SoundFigureFalls, static_cast<std::uint16_t>(unitKind_));
        List<FrameInfo> frames;
        frames.append(f);
        sprite_calls::addFrameEvent(s, region(), Point4D(), frames, 0, SpriteAnimateOnce, 0);
        walkOff(k, frames);
    } else {
        sprite_calls::addPlainEvent(s, SpriteHide);
    }
    looseSprites_.append(&s);
}

void VaelPhysicalObject::moveFlagWithUnit(bool changeRegion) {
    if (!flag_) return;
    flag_->moveTo(flagLocation_, 1);
    if (changeRegion) flag_->changeRegion(region());
    activeSprites_.append(flag_.get());
}

void VaelPhysicalObject::destroyFlag() {
    if (traits().leader || !flag_) return;
    Container<Sprite*> box(flag_.get());
    dropAnswer(queryNamed(msg::SpriteDestroyed, &box));
    flag_.reset();
    // A raised mark left behind would keep the object ticking for a flag it no longer has.
    flagRaised_ = 0;
}

void VaelPhysicalObject::walkFigures(const List<short>& path) {
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_); ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const std::int16_t w = figureSlot_[i];
        DirectionOffsets* record = walkingRecord(w);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addSoundEvent(*s, SoundStartMovement, static_cast<std::uint16_t>(unitKind_));
        if (land && record) walkHexPath(w, *s, path, *land, *record, 0, 0);
    }
}

void VaelPhysicalObject::walkFlagWithUnit(const List<short>& path) {
    if (!flag_) return;
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    const DirectionOffsets* record = nullptr;
    std::int16_t member = 0;
    for (std::int16_t i = 0; i < static_cast<std::int16_t>(spriteCount_) && !record; ++i)
        if (living(i)) record = walkingRecord(member = figureSlot_[i]);
    if (!land || !record) return moveFlagWithUnit(true);
    // The figure's walk moved over to where the flag stands in a hex, so that it ends there.
    DirectionOffsets walk = *record;
    const auto shift = [dx = flagLocation_.x - record->home.x,
                        dy = flagLocation_.y - record->home.y](Point3D& p) {
        p.x = static_cast<std::int16_t>(p.x + dx);
        p.y = static_cast<std::int16_t>(p.y + dy);
    };
    for (HillOffsets& entry : walk.entries)
        for (HexOffsets& variant : entry.variants)
            for (Point3D& point : variant.waypoints)
                shift(point);
    shift(walk.home);
    const std::int16_t reached = walkHexPath(member, *flag_, path, *land, walk, 0, 0);
    flag_->moveTo(flagLocation_, 1);
    // A walk that took no step into the unit's hex (a path of the destination alone) did not carry the
    // flag there: it changes region as the unit did.
    if (reached != region()) flag_->changeRegion(region());
    activeSprites_.append(flag_.get());
}

// A command's handler by its name; the variant tells apart the two commands one handler serves. The
// names are looked up in this order and the first that matches wins; the built-in ids come after.
const VaelPhysicalObject::EventHandler VaelPhysicalObject::eventHandlers[] = {
    {msg::ChangeFacingNA, false, &VaelPhysicalObject::onChangeFacingNA},
    {msg::EndOfTurn, false, &VaelPhysicalObject::onEndOfTurn},
    {msg::DropFlags, true, &VaelPhysicalObject::onLowerFlags},
    {msg::LowerFlags, false, &VaelPhysicalObject::onLowerFlags},
    {msg::RaiseFlags, false, &VaelPhysicalObject::onRaiseFlags},
    {msg::RaiseGrayFlags, true, &VaelPhysicalObject::onRaiseFlags},
    {msg::TerminalRout, false, &VaelPhysicalObject::onTerminalRout},
    {msg::CohesionHit, false, &VaelPhysicalObject::onCohesionHit},
    {msg::RampageDie, false, &VaelPhysicalObject::onRampageDie},
    {msg::RampageCohesionHit, false, &VaelPhysicalObject::onRampageCohesionHit},
    {msg::UnitEliminated, false, &VaelPhysicalObject::onUnitGone},
    {msg::UnitRemoved, true, &VaelPhysicalObject::onUnitGone},
    {msg::RestoreCohesion, false, &VaelPhysicalObject::onRestoreCohesion},
    {msg::CombatAnimate, true, &VaelPhysicalObject::onCombat},
    {msg::CombatDontAnimate, false, &VaelPhysicalObject::onCombat},
    {msg::UnitTeleport, false, &VaelPhysicalObject::onUnitTeleport},
};

bool VaelPhysicalObject::isQuiet(const LogicalCommandInfo& command) {
    if (command.replyEvent.id() != 0) return false;
    const std::int32_t id = command.event.id();
    // The unit's state shown: nothing here plays it.
    if (id == LOGICAL_OBJECT_ENABLED) return true;
    if (command.command != 0) return false;
    for (const char* name :
         {msg::EndOfTurn, msg::DropFlags, msg::LowerFlags, msg::RaiseFlags, msg::RaiseGrayFlags})
        if (id == static_cast<std::int32_t>(RegisteredMessage::getId(name))) return true;
    return false;
}

std::int16_t VaelPhysicalObject::casualtyTarget(std::int32_t percent) const {
    return static_cast<std::int16_t>((static_cast<std::int16_t>(spriteCount_) - survivors_) * percent / 100);
}

void VaelPhysicalObject::onChangeFacingNA(LogicalCommandInfo& command, bool) {
    changeFacing(command, 0);
}

void VaelPhysicalObject::onEndOfTurn(LogicalCommandInfo&, bool) {
    if (flagStale_ == 1 && !traits().leader && flag_ && eliminated_ == 0) {
        flag_->restAt(flagLocation_);
        flag_->hide();
        activeSprites_.append(flag_.get());
        Container<Sprite*> box(flag_.get());
        dropAnswer(queryNamed(msg::SpriteMoved, &box));
    }
    flagStale_ = 0;
}

void VaelPhysicalObject::onLowerFlags(LogicalCommandInfo&, bool drop) {
    flagRaised_ = 0;
    if (!traits().leader && flag_) {
        if (drop) flagStale_ = 1;
        // The flag is always put down, shown only when the unit has acted: a waving cloth holds until
        // something is queued behind it, and left waving on the active list it would keep this command,
        // and every command queued after it, from ever finishing.
        flag_->moveTo(flagLocation_, flagStale_ == 1 ? 1 : 0);
        activeSprites_.append(flag_.get());
    } else if (traits().leader && leaderFlag_) {
        leaderFlag_ = 0;
        if (VaelSprite* s = figure(0)) {
            sprite_calls::addFrameEvent(*s, region(), Point4D(), standingFrame(facing_), -1,
                                        SpriteAnimateOnce, 0);
            activeSprites_.append(s);
        }
    }
}

void VaelPhysicalObject::onRaiseFlags(LogicalCommandInfo&, bool grey) {
    if (terminalRout_ == 1) return;
    if (grey && traits().leader) return;
    flagRaised_ = 1;
    if (!traits().leader && flag_) {
        if (flag_->raise(flagLocation_, grey ? 1 : 0)) activeSprites_.append(flag_.get());
        Container<Sprite*> box(flag_.get());
        dropAnswer(queryNamed(msg::SpriteMoved, &box));
    } else if (traits().leader && figure(0)) {
        leaderFlag_ = 1;
        const auto group = static_cast<std::int16_t>(leaderGroup_ + facing_ - 1);
        if (Flag::isAnimated() && images_.hasGroupIndex(group))
            // An endless loop never runs out, so the command does not wait for it.
            sprite_calls::addFrameEvent(*figure(0), region(), Point4D(), groupFrames(images_, group, false),
                                        -1, SpriteHold, 0);
    }
}

void VaelPhysicalObject::queueDroppedGear(VaelSprite& gear, int pauses) {
    sprite_calls::addPlainEvent(gear, SpriteHide);
    for (int p = 0; p < pauses; ++p)
        sprite_calls::addPlainEvent(gear, SpriteMarker);
    sprite_calls::addPlainEvent(gear, SpriteShow);
    activeSprites_.append(&gear);
    Container<Sprite*> box(&gear);
    dropAnswer(sendNow(SPRITE_CREATED, &box));
    // Gear left on the field belongs to the ground, as the fallen do: the landscape keeps it where it lies
    // and saves it with the game, which would otherwise lose it. Without a ground the object keeps it.
    VaelFigureLandscape* ground = layer_ ? layer_->landscape(0) : nullptr;
    if (!ground) {
        droppedGear_.emplace_back(&gear);
        return;
    }
    gear.setGroup(0);
    gear.setState(1);
    ground->addGroundSprite(&gear);
}

void VaelPhysicalObject::onTerminalRout(LogicalCommandInfo& command, bool) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    if (traits().leader) return;
    moveFlagWithUnit(false);
    if (!images_.hasGroup("StandingR")) return;
    const List<short> path = pathOf(command);
    animationGroup_ = images_.findGroup("RoutN");
    const std::int16_t first = terminalRout_ == 0 ? 1 : 0;
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    for (std::int16_t i = 0; i < count; ++i) {
        VaelSprite* s = figure(i);
        if (!s || !isEntryClear(i)) continue;
        const std::int16_t w = figureSlot_[i];
        DirectionOffsets* record = walkingRecord(w);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        sprite_calls::addPlainEvent(*s, SpriteDrawPlain);
        if (terminalRout_ == 0) {
            if (images_.hasGroup("DropN")) {
                const auto group = static_cast<std::int16_t>(images_.findGroup("DropN") + facing_ - 1);
                sprite_calls::addFrameEvent(*s, region(), Point4D(), groupFrames(images_, group, true), -1,
                                            SpriteAnimateOnce, 0);
            }
            Item<short>* second = nullptr;
            path.firstItem(second);
            if (second) second = second->next;
            const std::int32_t away = second ? facingToward(region(), second->value) : facing_;
            const struct {
                VaelSprite* gear;
                int pauses;
            } dropped[3] = {{setupSpear(w), 5}, {setupShield(w), 6}, {setupHelmet(w, away), 15}};
            for (const auto& d : dropped) {
                if (!d.gear) continue;
                queueDroppedGear(*d.gear, d.pauses);
                List<FrameInfo> frames;
                frames.append(d.gear->frameInfo());
                walkSpriteOff(*d.gear, frames);
            }
        }
        sprite_calls::addSoundEvent(*s, SoundStartMovement, static_cast<std::uint16_t>(unitKind_));
        if (land && record) walkHexPath(w, *s, path, *land, *record, 1, first);
        activeSprites_.append(s);
    }
    setRegion(lastOf(path, region()));
    flagStale_ = 1;
    terminalRout_ = 1;
}

void VaelPhysicalObject::onCohesionHit(LogicalCommandInfo& command, bool) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    MethodOfDeathStruct hit;
    if (const auto* box = dynamic_cast<const Container<MethodOfDeathStruct>*>(command.payload.get()))
        hit = *box->valuePtr();
    casualtyCause_ = static_cast<std::int32_t>(hit.method);
    if (casualtyCause_ == -1) return;
    const std::int16_t p = hit.percent > 100 ? 100 : hit.percent;
    if (p == 100) eliminated_ = 1;
    casualtyPercent_ = p;
    if (casualtyCause_ == 1) return;
    const std::int16_t target = casualtyTarget(p);
    if (fallenCount_ >= target) return;
    const std::vector<bool> chosen = chooseFallen(static_cast<std::int16_t>(target - fallenCount_), nullptr);
    fallenCount_ = target;
    for (std::int16_t k = 0; k < count; ++k) {
        VaelSprite* s = figure(k);
        if (!chosen[static_cast<std::size_t>(k)] || !s || !isEntryClear(k)) continue;
        fallen_[static_cast<std::size_t>(k)] = 1;
        figureSlot_[k] = -1;
        showFall(k, *s, true, 0);
    }
}

void VaelPhysicalObject::onRampageDie(LogicalCommandInfo&, bool) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    const std::int16_t target = casualtyTarget(casualtyPercent_);
    for (std::int16_t k = fallenCount_; k < target && k < count; ++k) {
        VaelSprite* s = figure(k);
        if (k < 0 || !s || !isEntryClear(k)) continue;
        fallen_[static_cast<std::size_t>(k)] = 1;
        showFall(k, *s, true, 8);
    }
    fallenCount_ = target;
}

void VaelPhysicalObject::onRampageCohesionHit(LogicalCommandInfo& command, bool) {
    RampageCohesionHitStruct hit;
    if (const auto* box = dynamic_cast<const Container<RampageCohesionHitStruct>*>(command.payload.get()))
        hit = *box->valuePtr();
    const std::int16_t p = hit.percentage > 100 ? 100 : hit.percentage;
    if (p == 100) eliminated_ = 1;
    casualtyPercent_ = p;
    casualtyCause_ = 3;
}

void VaelPhysicalObject::onUnitGone(LogicalCommandInfo&, bool removed) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    destroyFlag();
    casualtyPercent_ = 0;
    fallenCount_ = count;
    casualtyCause_ = 4;
    for (std::int16_t k = 0; k < count; ++k) {
        VaelSprite* s = figure(k);
        if (!s || !isEntryClear(k)) continue;
        fallen_[static_cast<std::size_t>(k)] = 1;
        if (removed) {
            sprite_calls::addPlainEvent(*s, SpriteHide);
            activeSprites_.append(s);
        } else {
            showFall(k, *s, true, 0);
        }
    }
}

void VaelPhysicalObject::onRestoreCohesion(LogicalCommandInfo& command, bool) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    short percent = 0;
    Container<short>::fromMessage(command.payload.get(), percent);
    flagStale_ = 1;
    moveFlagWithUnit(false);
    const std::int16_t p = percent > 100 ? 100 : percent;
    casualtyPercent_ = p;
    const std::int16_t target = casualtyTarget(p);
    std::int16_t shown = fallenCount_;
    while (shown > target) {
        std::int16_t k = -1;
        for (std::int16_t i = 0; i < count && k < 0; ++i)
            if (!sprite(i)) k = i;
        if (k < 0) break;
        std::int16_t w = -1;
        for (std::int16_t slot = 0; slot < count && w < 0; ++slot) {
            bool taken = false;
            for (std::int16_t i = 0; i < count; ++i)
                if (living(i) && figureSlot_[i] == slot) taken = true;
            if (!taken) w = slot;
        }
        if (w < 0 || static_cast<std::size_t>(w) >= slotOffsets_.size()) break;
        figureSlot_[k] = w;
        auto* s = new VaelSprite(region(), slotOffsets_[static_cast<std::size_t>(w)][facing_],
                                 FrameInfo("Standing", static_cast<std::int16_t>(facing_ - 1)),
                                 Sprite::NoLayer, this, DrawPlain, nullptr, nullptr, nullptr, 0);
        sprites_[k] = s;
        fallen_[static_cast<std::size_t>(k)] = 0;
        Container<Sprite*> box(s);
        dropAnswer(query(SPRITE_CREATED, &box));
        --shown;
    }
    for (std::int16_t k = 0; k < count; ++k) {
        VaelSprite* s = figure(k);
        const auto w = static_cast<std::size_t>(figureSlot_[k]);
        if (!s || !isEntryClear(k) || w >= slotOffsets_.size()) continue;
        sprite_calls::addFrameEvent(*s, region(), Point4D(slotOffsets_[w][facing_], 0),
                                    standingFrame(facing_), -1, SpriteMove, 0);
        activeSprites_.append(s);
    }
    fallenCount_ = target;
}

void VaelPhysicalObject::onCombat(LogicalCommandInfo& command, bool animate) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    std::int16_t engaged[9];
    engagedSides(pathOf(command), engaged);
    std::vector<std::int32_t> contact(static_cast<std::size_t>(count), 0);
    chooseFigureDirections(engaged, contact.data());
    const std::int16_t target = casualtyTarget(casualtyPercent_);
    const auto fresh = static_cast<std::int16_t>(target - fallenCount_);
    const std::vector<bool> chosen = chooseFallen(fresh, contact.data());
    const List<FrameInfo> standing = standingFrame(facing_);
    if (animate) {
        std::vector<std::int16_t> stepTime(static_cast<std::size_t>(count), -1);
        std::vector<std::int16_t> stepFrom(static_cast<std::size_t>(count), -1);
        auto n = static_cast<std::int16_t>(fallenCount_ - 1);
        for (std::int16_t k = 0; k < count; ++k) {
            if (!living(k)) continue;
            const bool casualty = chosen[static_cast<std::size_t>(k)];
            if (casualty) fallen_[static_cast<std::size_t>(k)] = 1, ++n;
            animateCombatFigure(k, region(), casualty, stepTime, stepFrom, n, standing,
                                contact[static_cast<std::size_t>(k)], fresh,
                                static_cast<std::int16_t>(command.value));
        }
    } else {
        std::vector<std::int16_t> vacated(static_cast<std::size_t>(count), -1);
        std::vector<std::int16_t> filler(static_cast<std::size_t>(count), -1);
        const bool steps = traits().closesRanks;
        for (std::int16_t k = 0; k < count; ++k) {
            VaelSprite* s = figure(k);
            if (!s || !isEntryClear(k)) continue;
            const auto uk = static_cast<std::size_t>(k);
            if (chosen[uk]) {
                fallen_[uk] = 1;
                const std::int16_t r = rearFigure(k);
                if (steps && r >= 0 && r < count) {
                    vacated[static_cast<std::size_t>(r)] = 1;
                    filler[static_cast<std::size_t>(r)] = k;
                }
                showFall(k, *s, false, 0);
            } else if (vacated[uk] != -1) {
                const std::int16_t from = filler[uk];
                figureSlot_[k] = figureSlot_[from];
                figureSlot_[from] = -1;
                const auto w = static_cast<std::size_t>(figureSlot_[k]);
                const Point3D home = w < slotOffsets_.size() ? slotOffsets_[w][facing_] : Point3D();
                sprite_calls::addFrameEvent(*s, region(), Point4D(home, 0), standing, -1, SpriteMove, 0);
                activeSprites_.append(s);
            }
        }
    }
    fallenCount_ = target;
}

void VaelPhysicalObject::placeFiguresHome(short to, bool track) {
    for (std::int16_t k = 0; k < static_cast<std::int16_t>(spriteCount_); ++k) {
        VaelSprite* s = figure(k);
        if (!s || !isEntryClear(k)) continue;
        const auto w = static_cast<std::size_t>(figureSlot_[k]);
        if (to != region()) s->changeRegion(to);
        const Point3D home = w < slotOffsets_.size() ? slotOffsets_[w][facing_] : Point3D();
        const std::int16_t depth = w < slotDepths_.size() ? slotDepths_[w][facing_] : -1;
        sprite_calls::addFrameEvent(*s, to, Point4D(home, 0), standingFrame(facing_), depth, SpriteMove, 0);
        if (track) activeSprites_.append(s);
    }
}

void VaelPhysicalObject::onUnitTeleport(LogicalCommandInfo& command, bool) {
    const List<short> path = pathOf(command);
    // A teleport that names no destination leaves the unit where it is and only puts its figures home.
    short to = lastOf(path, 0);
    if (to == 0) to = region();
    placeFiguresHome(to, true);
    const bool moved = to != region();
    setRegion(to);
    flagStale_ = 1;
    moveFlagWithUnit(moved);
}

void VaelPhysicalObject::handleEvent(LogicalCommandInfo& command) {
    const std::int32_t id = command.event.id();
    for (const EventHandler& h : eventHandlers)
        if (id == static_cast<std::int32_t>(RegisteredMessage::getId(h.name)))
            return (this->*h.handler)(command, h.variant);
    if (id == CHANGE_UNIT_FACING) {
        changeFacing(command, 1);
        return;
    }
    if (id == LOGICAL_OBJECT_MOVED) onObjectMoved(command);
}

void VaelPhysicalObject::onObjectMoved(LogicalCommandInfo& command) {
    const auto count = static_cast<std::int16_t>(spriteCount_);
    List<short> path = pathOf(command);
    if (path.count() == 0) path.append(static_cast<short>(command.value));
    if (keepPath(path)) {
        debugStream() << TracePrefix << "Saving A Path in LOM" << std::endl;
        debugStream() << TracePrefix << savedPathCount_ << " left to save" << std::endl;
        return;
    }
    walkFigures(path);
    setRegion(lastOf(path, region()));
    // The flag marks where the unit is: it walks with the figures rather than waiting at the end.
    if (!traits().leader) walkFlagWithUnit(path);
    flagStale_ = 1;
    if (traits().leader) leaderFlag_ = 0;
    for (std::int16_t k = 0; k < count; ++k)
        if (living(k)) activeSprites_.append(sprite(k));
}

} // namespace vael
