#include "game/figures/p_leader.h"

#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/sprite_calls.h"

namespace vael {

namespace {

bool is(const LogicalCommandInfo& command, const char* name) {
    return command.event.id() == static_cast<std::int32_t>(RegisteredMessage::getId(name));
}

} // namespace

PLeader::PLeader(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t region, std::int32_t facing, std::int16_t kindFlag)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing) {
    setSurvivors(0);
    setKind(kindFlag ? DisplayKind::SecondLeader : DisplayKind::Leader);
    setLeaderGroup(images_.findGroup("ASN"));
}

PLeader::~PLeader() {
    // A fallen figure not yet in the ground is still this object's.
    delete fallenLeader_;
}

VaelPhysicalObject* PLeader::clone(std::int16_t region, std::int32_t facing) const {
    return new PLeader(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region, facing,
                       kind() == DisplayKind::SecondLeader ? 1 : 0);
}

PTezhar::PTezhar(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t region, std::int32_t facing)
    : PLeader(normalName, halfName, quarterName, region, facing, 0) {
    setKind(DisplayKind::King);
}

VaelPhysicalObject* PTezhar::clone(std::int16_t region, std::int32_t facing) const {
    return new PTezhar(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region, facing);
}

List<FrameInfo> PLeader::wavingFrames() {
    List<FrameInfo> frames;
    const auto group = static_cast<std::int16_t>(leaderGroup() + facing() - 1);
    if (!Flag::isAnimated() || !images_.hasGroupIndex(group)) return frames;
    images_.selectGroupIndex(group);
    const std::string name = images_.currentGroupName();
    for (std::int16_t i = 0; i < images_.imageCount(group); ++i)
        frames.append(FrameInfo(name, i));
    return frames;
}

void PLeader::handleEvent(LogicalCommandInfo& command) {
    const List<FrameInfo> standing =
        sprite_calls::oneFrame(standName_, static_cast<std::int16_t>(facing() - 1));
    if (is(command, msg::WoundedLeader)) {
        setLeaderGroup(images_.findGroup("ASNWA"));
        setAnimationGroup(images_.findGroup("NWA"));
        standName_ = "StandingWA";
        if (VaelSprite* s = figure(0)) {
            sprite_calls::addFrameEvent(
                *s, region(), Point4D(),
                sprite_calls::oneFrame(standName_, static_cast<std::int16_t>(facing() - 1)), -1,
                SpriteAnimateOnce, 0);
            activeSprites_.append(s);
        }
        VaelPhysicalObject::handleEvent(command);
        return;
    }
    if (is(command, msg::LowerFlags)) {
        if (markFlagLowered()) {
            if (VaelSprite* s = figure(0)) {
                sprite_calls::addFrameEvent(*s, region(), Point4D(), standing, -1, SpriteAnimateOnce, 0);
                activeSprites_.append(s);
            }
        }
        return;
    }
    if (is(command, msg::RaiseFlags)) {
        if (eliminated()) return;
        VaelSprite* s = figure(0);
        markFlagRaised(s != nullptr);
        const List<FrameInfo> frames = wavingFrames();
        // The loop never runs out, so it stays off the active list and the command ends at once.
        if (s && frames.count() > 0)
            sprite_calls::addFrameEvent(*s, region(), Point4D(), frames, -1, SpriteHold, 0);
        return;
    }
    for (const char* ignored : {msg::TerminalRout, msg::CohesionHit, msg::RampageDie, msg::RampageCohesionHit,
                                msg::RestoreCohesion, msg::CombatAnimate})
        if (is(command, ignored)) return;
    if (is(command, msg::UnitEliminated)) {
        setCasualtyPercent(0);
        setFallenCount(static_cast<std::int16_t>(spriteCount_));
        setCasualtyCause(4);
        for (std::int16_t k = 0; k < static_cast<std::int16_t>(spriteCount_); ++k) {
            VaelSprite* old = figure(k);
            if (!old || !isEntryClear(k)) continue;
            setFallen(k, true);
            showFall(k, *old, true, 0);
            // A figure that fell before and was never put into the ground goes there now.
            if (fallenLeader_) buryFallenLeader();
            fallenLeader_ = old;
            auto* fresh = new VaelSprite(region(), slotCount() == 0 ? Point3D() : slotOffsets(0)[facing()],
                                         FrameInfo("Standing", static_cast<std::int16_t>(facing() - 1)),
                                         Sprite::NoLayer, this, DrawPlain, nullptr, nullptr, nullptr, 0);
            sprites_[0] = fresh;
            announce(fresh);
            sprite_calls::addPlainEvent(*fresh, SpriteHide);
            for (int i = 0; i < 7; ++i)
                sprite_calls::addPlainEvent(*fresh, SpriteMarker);
            sprite_calls::addPlainEvent(*fresh, SpriteShow);
            activeSprites_.append(fresh);
            setFallen(0, false);
            sprite_calls::setSoundLead(*fresh, true);
        }
        return;
    }
    if (is(command, msg::UnitTeleport)) {
        List<short> path;
        if (const auto* box = dynamic_cast<const Container<List<short>>*>(command.payload.get()))
            path = *box->valuePtr();
        short to = 0;
        path.last(to);
        // Without a destination the leader stays where it is and only snaps home.
        if (to == 0) to = region();
        placeFiguresHome(to, !flagRaised());
        setRegion(to);
        markFlagStale();
        const List<FrameInfo> frames = wavingFrames();
        if (flagRaised() && frames.count() > 0)
            if (VaelSprite* s = figure(0))
                sprite_calls::addFrameEvent(
                    *s, to, Point4D(slotCount() == 0 ? Point3D() : slotOffsets(0)[facing()], 0), frames, -1,
                    SpriteHold, 0);
        return;
    }
    VaelPhysicalObject::handleEvent(command);
}

void PLeader::buryFallenLeader() {
    VaelSprite* s = fallenLeader_;
    fallenLeader_ = nullptr;
    if (!s) return;
    s->setGroup(0);
    s->setState(1);
    VaelFigureLandscape* ground = layer() ? layer()->landscape(0) : nullptr;
    if (ground) {
        ground->addGroundSprite(s);
    } else {
        // Nobody would own it: it goes, and nothing steps it any more.
        removeLooseSprite(s);
        delete s;
    }
}

void PLeader::commandFinished(LogicalCommandInfo& command) {
    VaelPhysicalObject::commandFinished(command);
    if (is(command, msg::UnitEliminated)) buryFallenLeader();
}

void PLeader::save(std::ostream& out) {
    const auto n = static_cast<std::uint16_t>(standName_.size());
    out.put(static_cast<char>(n & 0xFF));
    out.put(static_cast<char>(n >> 8));
    out.write(standName_.data(), n);
    VaelPhysicalObject::save(out);
}

void PLeader::load(std::istream& in) {
    const int lo = in.get(), hi = in.get();
    std::string name;
    if (lo != std::char_traits<char>::eof() && hi != std::char_traits<char>::eof()) {
        name.resize(static_cast<std::size_t>(lo | (hi << 8)));
        in.read(name.data(), static_cast<std::streamsize>(name.size()));
    }
    if (lo == std::char_traits<char>::eof() || hi == std::char_traits<char>::eof() || in.fail()) {
        setLoadProblem("the record runs short");
        in.setstate(std::ios::failbit);
        return;
    }
    if (loadRecord(in))
        standName_ = name;
    else
        in.setstate(std::ios::failbit);
}

} // namespace vael
