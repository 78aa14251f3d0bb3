// What a display object was still playing when the game was saved: its queued commands, what a rampage
// kept for it, which of its sprites the command under way (or a fall) waits on, each sprite's queue and
// whether its flag waves. A game loaded with it plays the rest at the moments the battle that saved would
// have, drawing from the dice as that battle would have.
#include <sstream>

#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "game/figures/rampage_cohesion_hit_struct.h"
#include "game/figures/vael_physical_object.h"
#include "game/map/queued_under_way.h"
#include "game/map/raw_bytes.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/rout/rout_records.h"
#include "game/rules/units/nation.h"

namespace vael {

// A nation as 4 bytes; a rampage's blow as its unused word (4 bytes) and its share (2).
SuperString& operator<<(SuperString& s, NATION v) {
    return s << static_cast<unsigned int>(v);
}

SuperString& operator>>(SuperString& s, NATION& v) {
    unsigned int raw = 0;
    s >> raw;
    v = static_cast<NATION>(raw);
    return s;
}

SuperString& operator<<(SuperString& s, const RampageCohesionHitStruct& v) {
    return s << static_cast<unsigned int>(v.unused) << static_cast<short>(v.percentage);
}

SuperString& operator>>(SuperString& s, RampageCohesionHitStruct& v) {
    unsigned int unused = 0;
    short percentage = 0;
    s >> unused >> percentage;
    v.unused = unused, v.percentage = percentage;
    return s;
}

void VaelPhysicalObject::registerUnderWayTypes() {
    TypeInfo<VaelSpriteEvent> events;
    TypeInfo<NATION> nations;
    TypeInfo<RampageCohesionHitStruct> blows;
    TypeInfo<short> shorts;
    TypeInfo<List<short>> paths;
    TypeInfo<DIRECTION> facings;
    TypeInfo<RampageStruct> struck;
}

namespace {

// Every sprite a record may name, by its place here: the figures, the flag, then the others.
std::vector<VaelSprite*> namedSprites(VaelPhysicalObject& object, std::int16_t figures, Flag* flag,
                                      const std::vector<VaelSprite*>& others) {
    std::vector<VaelSprite*> all;
    for (std::int16_t i = 0; i < figures; ++i)
        all.push_back(object.figure(i));
    all.push_back(flag);
    all.insert(all.end(), others.begin(), others.end());
    return all;
}

constexpr std::uint16_t Unnamed = 0xFFFF;

std::uint16_t nameOf(const std::vector<VaelSprite*>& all, const Sprite* sprite) {
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] && all[i] == sprite) return static_cast<std::uint16_t>(i);
    return Unnamed;
}

void putNames(std::ostream& out, const std::vector<VaelSprite*>& all, const List<Sprite*>& sprites) {
    std::vector<std::uint16_t> names;
    Item<Sprite*>* it = nullptr;
    for (sprites.firstItem(it); it; it = it->next)
        if (const std::uint16_t name = nameOf(all, it->value); name != Unnamed) names.push_back(name);
    raw::putU16(out, static_cast<std::uint16_t>(names.size()));
    for (std::uint16_t name : names)
        raw::putU16(out, name);
}

// False when the bytes run short, or (saying so in why) name a sprite the object does not have.
bool getNames(std::istream& in, const std::vector<VaelSprite*>& all, List<Sprite*>& sprites, std::string& why) {
    std::uint16_t count = 0;
    if (!raw::getU16(in, count)) return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t name = 0;
        if (!raw::getU16(in, name)) return false;
        if (name >= all.size() || !all[name])
            return why = "it names sprite " + std::to_string(name) + " under way, which it does not have", false;
        if (!sprites.contains(all[name])) sprites.append(all[name]);
    }
    return true;
}

} // namespace

void VaelPhysicalObject::saveUnderWay(std::ostream& out) {
    const std::vector<VaelSprite*> all =
        namedSprites(*this, static_cast<std::int16_t>(spriteCount_), flag_.get(), otherSprites());
    raw::putU16(out, static_cast<std::uint16_t>(flagRaised_));
    raw::putU16(out, static_cast<std::uint16_t>(leaderFlag_));
    // A command being finished when the game was saved is written as played: the loaded object only tells
    // what followed it. A loaded one that has not told it yet is saved again as it was loaded.
    raw::putU16(out, headFinishing_ || headFinishedAtSave_ ? 1 : 0);
    // What a rampage keeps of its victim until the beast reaches it: how many moves it still waits for,
    // the moves kept and the turns.
    raw::putI16(out, savedPathCount_);
    raw::putU16(out, static_cast<std::uint16_t>(savedPaths_.count()));
    Item<List<short>>* path = nullptr;
    for (savedPaths_.firstItem(path); path; path = path->next) {
        raw::putU16(out, static_cast<std::uint16_t>(path->value.count()));
        Item<short>* hex = nullptr;
        for (path->value.firstItem(hex); hex; hex = hex->next)
            raw::putI16(out, hex->value);
    }
    raw::putU16(out, static_cast<std::uint16_t>(savedFacings_.count()));
    Item<DIRECTION>* facing = nullptr;
    for (savedFacings_.firstItem(facing); facing; facing = facing->next)
        raw::putU16(out, static_cast<std::uint16_t>(facing->value));
    raw::putU16(out, static_cast<std::uint16_t>(commands_.count() - (headFinishing_ ? 1 : 0)));
    Item<LogicalCommandInfo>* command = nullptr;
    commands_.firstItem(command);
    if (headFinishing_ && command) command = command->next;
    for (; command; command = command->next) {
        SuperString piece;
        piece << command->value;
        const std::string bytes = piece.str();
        raw::putU32(out, static_cast<std::uint32_t>(bytes.size()));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    putNames(out, all, activeSprites_);
    putNames(out, all, looseSprites_);
    std::vector<std::uint16_t> playing;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] && (all[i] == flag_.get() || all[i]->hasEvents()))
            playing.push_back(static_cast<std::uint16_t>(i));
    raw::putU16(out, static_cast<std::uint16_t>(playing.size()));
    for (std::uint16_t name : playing) {
        raw::putU16(out, name);
        all[name]->saveUnderWay(out);
    }
}

bool VaelPhysicalObject::underWayCarried() const {
    // A box with no record would be written as none, and the loaded command would then find no payload.
    const auto written = [](const ContainerBase* box) { return !box || TypeInfoBase::find(box->typeId()); };
    Item<LogicalCommandInfo>* command = nullptr;
    for (commands_.firstItem(command); command; command = command->next)
        if (!written(command->value.payload.get()) || !written(command->value.extra.get())) return false;
    return true;
}

bool VaelPhysicalObject::loadUnderWay(std::istream& in, std::uint16_t) {
    const std::vector<VaelSprite*> all =
        namedSprites(*this, static_cast<std::int16_t>(spriteCount_), flag_.get(), otherSprites());
    setLoadProblem({});
    const auto refuse = [this](std::string why) { return setLoadProblem(std::move(why)), false; };
    QueuedUnderWay queued;
    std::string why;
    if (!readQueuedUnderWay(in, queued, why)) return why.empty() ? false : refuse(why);
    Queue<LogicalCommandInfo> commands;
    for (const LogicalCommandInfo& command : queued.commands)
        commands.push(command);
    List<Sprite*> active, loose;
    if (!getNames(in, all, active, why) || !getNames(in, all, loose, why)) return why.empty() ? false : refuse(why);
    std::uint16_t playing = 0;
    if (!raw::getU16(in, playing)) return false;
    std::vector<bool> carried(all.size(), false);
    for (std::uint16_t i = 0; i < playing; ++i) {
        std::uint16_t name = 0;
        if (!raw::getU16(in, name)) return false;
        if (name >= all.size() || !all[name])
            return refuse("it names sprite " + std::to_string(name) + " playing, which it does not have");
        VaelSprite& sprite = *all[name];
        const std::string whose = name < spriteCount_    ? "a figure's "
                                  : name == spriteCount_ ? "its flag's "
                                                         : "a sprite's ";
        if (!sprite.loadUnderWay(in)) {
            if (sprite.loadRefusal()) setLoadProblem(whose + sprite.loadRefusal());
            return false;
        }
        // Its record's state comes again with the queue: the figures and the flag are drawn at their
        // formation's depths, as their record is, and so are the moves queued on them.
        if (name <= spriteCount_) {
            std::vector<VaelSprite*> parts{&sprite};
            if (name == spriteCount_) parts.insert(parts.end(), {flag_->cloth(), flag_->shadow()});
            for (const VaelSprite* part : parts) {
                bool past = pastDeepestLayer(part->layer());
                Item<SpriteEvent>* event = nullptr;
                for (part->events().firstItem(event); event && !past; event = event->next)
                    past = pastDeepestLayer(static_cast<std::uint16_t>(event->value.newLayer));
                if (past) return setLoadProblem(whose + "drawing depth is past its formation's"), false;
            }
        }
        carried[name] = true;
    }
    // What the object's record queued to put the figures back where they stood was already done by it:
    // a sprite with nothing to play at the save plays nothing now.
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] && !carried[i]) all[i]->dropEvents();
    flagRaised_ = queued.raised;
    leaderFlag_ = queued.waving;
    headFinishedAtSave_ = queued.finished != 0;
    savedPathCount_ = queued.toKeep;
    savedPaths_ = queued.kept;
    savedFacings_ = queued.facings;
    commands_ = commands;
    activeSprites_ = active;
    looseSprites_ = loose;
    return true;
}

} // namespace vael
