// A display object's state in a saved game: the unit's place, each figure (or that it went into the
// ground), the formation and the losses shown, and the flag. The object read into was just made from its
// prototype, so its figures and flag are already there and only take on their saved state. A record that
// does not fit the object, or runs short, is refused whole: the object keeps what it had.
#include <algorithm>
#include <sstream>

#include "framework/core/answer.h"
#include "framework/core/debug_stream.h"
#include "game/figures/figures_message_names.h"
#include "game/figures/vael_physical_object.h"

namespace vael {

namespace {

void put(std::ostream& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A little-endian field of 2 or 4 bytes; false when the stream runs short.
bool get(std::istream& in, std::uint32_t& v, int bytes) {
    v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) return false;
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << (8 * i);
    }
    return true;
}

bool get16(std::istream& in, std::int16_t& v) {
    std::uint32_t raw = 0;
    if (!get(in, raw, 2)) return false;
    v = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw));
    return true;
}

bool get32(std::istream& in, std::int32_t& v) {
    std::uint32_t raw = 0;
    if (!get(in, raw, 4)) return false;
    v = static_cast<std::int32_t>(raw);
    return true;
}

void put16(std::ostream& out, std::int32_t v) {
    put(out, static_cast<std::uint32_t>(v), 2);
}

void put32(std::ostream& out, std::int32_t v) {
    put(out, static_cast<std::uint32_t>(v), 4);
}

} // namespace

void VaelPhysicalObject::save(std::ostream& out) {
    const auto n = static_cast<std::int16_t>(spriteCount_);
    put16(out, region());
    put32(out, facing_);
    put16(out, n);
    for (std::int16_t i = 0; i < n; ++i) {
        VaelSprite* s = figure(i);
        put16(out, s ? 1 : 0);
        if (!s) continue;
        s->save(out);
        put16(out, looseSprites_.contains(s) ? 1 : 0);
    }
    for (std::int16_t i = 0; i < n; ++i)
        put16(out, figureSlot_[i]);
    put32(out, turnFacing_);
    put16(out, flagLocation_.x), put16(out, flagLocation_.y), put16(out, flagLocation_.z);
    put16(out, animationGroup_);
    put16(out, leaderGroup_);
    put16(out, fallenCount_);
    put32(out, 0);
    put16(out, casualtyPercent_);
    put32(out, casualtyCause_);
    put16(out, eliminated_);
    put16(out, terminalRout_);
    put16(out, flagStale_);
    for (std::int16_t i = 0; i < n; ++i)
        put16(out, fallenState(i));
    const bool hasFlag = !traits().leader && flag_;
    put16(out, hasFlag ? 1 : 0);
    if (hasFlag) flag_->save(out);
}

void VaelPhysicalObject::load(std::istream& in) {
    if (!loadRecord(in)) in.setstate(std::ios::failbit);
}

const char* VaelPhysicalObject::unfitValue(std::int16_t hex, std::int32_t facing, std::int32_t turn,
                                           const std::vector<std::int16_t>& present,
                                           const std::vector<std::int16_t>& loose,
                                           const std::vector<std::int16_t>& slots,
                                           const std::vector<std::int16_t>& fallen,
                                           const SavedCounts& counts) const {
    // The facings and the slots index the formation's tables, and the hex places every figure: a value
    // no battle leaves would be read past those tables on the next tick.
    const auto isFlag = [](std::int16_t v) { return v == 0 || v == 1; };
    const auto allFlags = [&](const std::vector<std::int16_t>& values) {
        return std::all_of(values.begin(), values.end(), isFlag);
    };
    VaelFigureLandscape* land = layer_ ? layer_->landscape(0) : nullptr;
    // A unit that routed off the field, or fell, may have been last shown past the map's edge.
    const bool gone = counts.rout == 1 || counts.eliminated == 1;
    if (hex != region() && !gone && land && !land->isOnMap(hex)) return "its hex is not on the map";
    if (facing < North || facing > NorthWest) return "its facing is no direction";
    if (turn < NoDirection || turn > NorthWest) return "its turning facing is no direction";
    const auto count = static_cast<std::int16_t>(present.size());
    const std::size_t places = slotCount() ? slotCount() : present.size();
    for (std::int16_t slot : slots)
        if (slot < -1 || (slot >= 0 && static_cast<std::size_t>(slot) >= places))
            return "a figure stands in a place the formation does not have";
    if (counts.fallen < 0 || counts.fallen > count) return "it shows more fallen figures than it has";
    if (counts.percent < 0 || counts.percent > 100) return "its losses are not a share of the unit";
    if (!allFlags(present) || !allFlags(loose))
        return "a figure is neither there nor gone, or neither loose nor in its place";
    // A figure stands (0), falls (1), or lies in the ground for good (2).
    if (!std::all_of(fallen.begin(), fallen.end(), [](std::int16_t f) { return f >= 0 && f <= 2; }))
        return "a figure neither stands, falls nor lies in the ground";
    if (!isFlag(counts.eliminated) || !isFlag(counts.rout) || !isFlag(counts.stale) || !isFlag(counts.hasFlag))
        return "a mark of its losses or its flag is neither set nor clear";
    return nullptr;
}

bool VaelPhysicalObject::pastDeepestLayer(std::uint16_t layer) const {
    return layer != Sprite::NoLayer && layer > deepestLayer();
}

std::int16_t VaelPhysicalObject::deepestLayer() const {
    std::int16_t deepest = 1;
    for (const SlotDepths& depths : slotDepths_)
        for (std::int16_t depth : depths)
            deepest = std::max(deepest, depth);
    return deepest;
}

bool VaelPhysicalObject::loadRecord(std::istream& in) {
    const auto built = static_cast<std::int16_t>(spriteCount_);
    setLoadProblem({});
    const auto refuse = [&](const std::string& why) {
        debugStream() << TracePrefix << "Saved state refused: " << why << std::endl;
        setLoadProblem(why);
        return false;
    };
    std::int16_t hex = 0, count = 0;
    std::int32_t facing = 0;
    if (!get16(in, hex) || !get32(in, facing) || !get16(in, count)) return refuse("the record runs short");
    // Figures are read into the ones the prototype built; any other count would read past them.
    if (count != built) return refuse("its figure count is not the object's");

    // Each figure read so far, with its state before, to be put back if the record fails further on.
    std::vector<std::pair<VaelSprite*, std::string>> touched;
    const auto fail = [&](const std::string& why) {
        for (auto& [s, before] : touched) {
            std::istringstream restore(before);
            s->load(restore);
        }
        return refuse(why);
    };
    std::vector<std::int16_t> present(static_cast<std::size_t>(count), 0), loose(present);
    for (std::int16_t i = 0; i < count; ++i) {
        const auto u = static_cast<std::size_t>(i);
        if (!get16(in, present[u])) return fail("the record runs short");
        if (!present[u]) continue;
        VaelSprite* s = figure(i);
        if (!s) return fail("it names a figure that is in the ground");
        std::ostringstream before;
        s->save(before);
        touched.emplace_back(s, before.str());
        if (!s->load(in))
            return fail(s->loadRefusal() ? std::string("a figure's ") + s->loadRefusal()
                                         : std::string("a figure's record runs short"));
        // Only the places' depths order the figures drawn; none for most.
        if (pastDeepestLayer(s->layer())) return fail("a figure's drawing depth is past its formation's");
        // A figure's state marks it lying in the ground for good, or not.
        if (s->getState() > 1) return fail("a figure's state is neither set nor clear");
        if (!get16(in, loose[u])) return fail("a figure's record runs short");
    }
    std::vector<std::int16_t> slots(static_cast<std::size_t>(count)), fallen(slots);
    std::int16_t fx = 0, fy = 0, fz = 0, animation = 0, leader = 0, fallenCount = 0, percent = 0,
                 eliminated = 0, rout = 0, stale = 0, hasFlag = 0;
    std::int32_t turn = 0, reserved = 0, cause = 0;
    bool whole = true;
    for (auto& slot : slots)
        whole = whole && get16(in, slot);
    whole = whole && get32(in, turn) && get16(in, fx) && get16(in, fy) && get16(in, fz) &&
            get16(in, animation) && get16(in, leader) && get16(in, fallenCount) && get32(in, reserved) &&
            get16(in, percent) && get32(in, cause) && get16(in, eliminated) && get16(in, rout) &&
            get16(in, stale);
    for (auto& f : fallen)
        whole = whole && get16(in, f);
    whole = whole && get16(in, hasFlag);
    if (!whole) return fail("the record runs short");
    // Checked before the flag reads its part, which a refusal would not put back.
    if (const char* why = unfitValue(hex, facing, turn, present, loose, slots, fallen,
                                     {fallenCount, percent, eliminated, rout, stale, hasFlag}))
        return fail(why);
    const bool leaderKind = traits().leader;
    if (hasFlag && (leaderKind || !flag_)) return fail("it holds a flag the object does not have");
    std::ostringstream flagBefore;
    if (hasFlag) flag_->save(flagBefore);
    if (hasFlag && !flag_->load(in))
        return fail(flag_->loadRefusal() ? std::string("its flag's ") + flag_->loadRefusal()
                                         : std::string("the flag's record runs short"));
    // A flag walks with the unit at the depths of its places, as a figure does.
    const auto deep = [&](const VaelSprite& part) { return pastDeepestLayer(part.layer()); };
    if (hasFlag && (deep(*flag_) || deep(*flag_->cloth()) || deep(*flag_->shadow()))) {
        std::istringstream back(flagBefore.str());
        flag_->load(back);
        return fail("its flag's drawing depth is past its formation's");
    }

    // The whole record has been read: only now is anything taken away.
    setRegion(hex);
    facing_ = facing;
    for (std::int16_t i = 0; i < count; ++i) {
        const auto u = static_cast<std::size_t>(i);
        VaelSprite* s = figure(i);
        if (!present[u]) {
            if (!s) continue;
            Container<Sprite*> box(s);
            dropAnswer(sendNowNamed(msg::SpriteDestroyed, &box));
            looseSprites_.remove(s);
            activeSprites_.remove(s);
            delete s;
            sprites_[i] = nullptr;
        } else if (loose[u] && !looseSprites_.contains(s)) {
            looseSprites_.append(s);
        }
        figureSlot_[i] = slots[u];
    }
    turnFacing_ = turn;
    flagLocation_ = Point3D(fx, fy, fz);
    animationGroup_ = animation;
    leaderGroup_ = leader;
    fallenCount_ = fallenCount;
    casualtyPercent_ = percent;
    casualtyCause_ = cause;
    eliminated_ = eliminated;
    terminalRout_ = rout;
    flagStale_ = stale;
    fallen_.assign(fallen.begin(), fallen.end());
    // A flag that was never made (a leader's, or one already gone) is not destroyed again.
    if (!hasFlag && !leaderKind && flag_) {
        Container<Sprite*> box(flag_.get());
        dropAnswer(sendNowNamed(msg::SpriteDestroyed, &box));
        activeSprites_.remove(flag_.get());
        flag_.reset();
        flagRaised_ = 0;
    }
    return true;
}

} // namespace vael
