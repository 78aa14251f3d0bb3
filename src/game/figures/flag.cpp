#include "game/figures/flag.h"

#include <sstream>

#include "game/rules/roll.h"

namespace vael {

std::unique_ptr<OIF<Bitmap>> Flag::libraries_[Levels];
List<FrameInfo> Flag::nationFrames_[Nations];
List<FrameInfo> Flag::shadowFrames_;
const FrameInfo Flag::poleFrame_("Stem", 0);
bool Flag::animated_ = true;

namespace {

const char* const LibraryNames[VaelSprite::Levels] = {
    "Activation Unit Flags", "Activation Unit Flags (Half size)", "Activation Unit Flags (Quarter size)"};

// Every picture of a group of the full-size library, in index order.
List<FrameInfo> groupFrames(OIF<Bitmap>& library, const std::string& group) {
    List<FrameInfo> frames;
    const std::int16_t g = library.findGroup(group);
    for (std::int16_t i = 0; g >= 0 && i < library.imageCount(g); ++i)
        frames.append(FrameInfo(group, i));
    return frames;
}

Point3D plus(const Point3D& location, const Point& offset) {
    return Point3D(location.x + offset.x, location.y + offset.y, location.z);
}

// A box is listed once however many parts dirtied it.
void addOnce(List<Box>& boxes, const Box& box) {
    if (!boxes.contains(box)) boxes.append(box);
}

Box joined(const Box& a, const Box& b) {
    if (a.w <= 0 || a.h <= 0) return b;
    if (b.w <= 0 || b.h <= 0) return a;
    return a | b;
}

} // namespace

void Flag::loadArtwork() {
    for (int level = 0; level < Levels; ++level)
        libraries_[level] = std::make_unique<OIF<Bitmap>>(LibraryNames[level]);
    OIF<Bitmap>& full = *libraries_[0];
    for (List<FrameInfo>& frames : nationFrames_)
        frames.clear();
    nationFrames_[1] = groupFrames(full, "Macedonian Flag");
    nationFrames_[2] = groupFrames(full, "Persian Flag");
    nationFrames_[3] = groupFrames(full, "Indian Flag");
    nationFrames_[4] = groupFrames(full, "Greek Flag");
    nationFrames_[5] = nationFrames_[4];
    nationFrames_[6] = nationFrames_[2];
    shadowFrames_ = groupFrames(full, "Flag Shadow");
}

void Flag::unloadArtwork() {
    for (List<FrameInfo>& frames : nationFrames_)
        frames.clear();
    shadowFrames_.clear();
    for (auto& library : libraries_)
        library.reset();
}

const List<FrameInfo>& Flag::nationFrames(std::uint32_t nation) {
    static const List<FrameInfo> none;
    return nation < Nations ? nationFrames_[nation] : none;
}

FrameInfo Flag::firstOf(const List<FrameInfo>& frames) {
    FrameInfo first;
    frames.first(first);
    return first;
}

Flag::Flag(std::int16_t region, const Point3D& location, std::uint32_t nation)
    : VaelSprite(region, location, poleFrame_, NoLayer, nullptr, DrawPlain, library(0), library(1),
                 library(2), 0),
      cloth_(std::make_unique<VaelSprite>(region, plus(location, ClothStanding),
                                          firstOf(nationFrames(nation)), NoLayer, nullptr, DrawPlain,
                                          library(0), library(1), library(2), 0)),
      shadow_(std::make_unique<VaelSprite>(region, plus(location, ShadowStanding), firstOf(shadowFrames_),
                                           NoLayer, nullptr, DrawPlain, library(0), library(1), library(2),
                                           0)),
      nation_(nation) {
    setState(1);
    cloth_->setState(1);
    shadow_->setState(1);
}

Flag::~Flag() = default;

// Placing, raising, showing.

void Flag::moveTo(const Point3D& location, std::int16_t show) {
    // A flag lowered after a grey raise is back in colour.
    cloth_->addSimpleEvent(SpriteDrawPlain);
    const List<FrameInfo>& clothFrames = nationFrames(nation_);
    List<FrameInfo> clothFirst, shadowFirst, pole;
    clothFirst.append(firstOf(clothFrames));
    shadowFirst.append(firstOf(shadowFrames_));
    pole.append(poleFrame_);
    cloth_->addNamedEvent(-1, Point4D(plus(location, ClothStanding), 0), clothFirst, -1, SpriteMove, 0);
    shadow_->addNamedEvent(-1, Point4D(plus(location, ShadowStanding), 0), shadowFirst, -1, SpriteMove, 0);
    VaelSprite::addNamedEvent(-1, Point4D(location, 0), pole, -1, SpriteMove, 0);
    if (show) this->show();
}

void Flag::restAt(const Point3D& location) {
    moveTo(location, 0);
}

std::int16_t Flag::raise(const Point3D& location, std::int16_t grey) {
    show();
    cloth_->addSimpleEvent(grey ? SpriteDrawMode2 : SpriteDrawPlain);
    if (animated_) {
        List<FrameInfo> clothFrames = nationFrames(nation_);
        const List<FrameInfo> shadowFrames = shadowFrames_;
        // Turn the cloth's cycle by a few pictures so that the flags of one command do not wave in step.
        for (std::int16_t i = 0;; ++i) {
            const std::int16_t n = clothFrames.count();
            const int r = n ? Roll::shown() % n : 0;
            if (r <= i) break;
            FrameInfo f;
            clothFrames.removeFirst(f);
            clothFrames.append(f);
            if (shadowFrames_.removeFirst(f)) shadowFrames_.append(f);
        }
        cloth_->addNamedEvent(-1, Point4D(plus(location, ClothRaised), 0), clothFrames, -1, SpriteHold, 0);
        shadow_->addNamedEvent(-1, Point4D(plus(location, ShadowRaised), 0), shadowFrames, -1, SpriteHold, 0);
    } else {
        List<FrameInfo> clothFirst, shadowFirst;
        clothFirst.append(firstOf(nationFrames(nation_)));
        shadowFirst.append(firstOf(shadowFrames_));
        cloth_->addNamedEvent(-1, Point4D(plus(location, ClothRaised), 0), clothFirst, -1, SpriteMove, 0);
        shadow_->addNamedEvent(-1, Point4D(plus(location, ShadowRaised), 0), shadowFirst, -1, SpriteMove, 0);
    }
    List<FrameInfo> pole;
    pole.append(poleFrame_);
    VaelSprite::addNamedEvent(-1, Point4D(location, 0), pole, -1, SpriteMove, 0);
    return animated_ ? 0 : 1;
}

void Flag::hide() {
    addSimpleEvent(SpriteHide);
}

void Flag::show() {
    addSimpleEvent(SpriteShow);
}

void Flag::setGrey() {
    cloth_->addSimpleEvent(SpriteDrawMode2);
}

void Flag::setColour() {
    cloth_->addSimpleEvent(SpriteDrawPlain);
}

// Events for the three parts.

void Flag::addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>&, std::int16_t newLayer,
                    std::uint16_t kind, std::uint16_t restartFrames) {
    addNamedEvent(static_cast<std::int16_t>(region), target, List<FrameInfo>(), newLayer, kind,
                  restartFrames);
}

void Flag::addNamedEvent(std::int16_t region, const Point4D& target, const List<FrameInfo>&,
                         std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) {
    List<FrameInfo> pole;
    pole.append(poleFrame_);
    VaelSprite::addNamedEvent(region, target, pole, newLayer, kind, restartFrames);
    Point4D cloth(plus(target, ClothRaised), target.t), shadow(plus(target, ShadowRaised), target.t);
    cloth_->addNamedEvent(region, cloth, nationFrames(nation_), newLayer, kind, restartFrames);
    shadow_->addNamedEvent(region, shadow, shadowFrames_, newLayer, kind, restartFrames);
}

void Flag::addSimpleEvent(std::uint16_t kind) {
    VaelSprite::addSimpleEvent(kind);
    cloth_->addSimpleEvent(kind);
    shadow_->addSimpleEvent(kind);
}

void Flag::changeRegion(std::int16_t region) {
    cloth_->changeRegion(region);
    shadow_->changeRegion(region);
    VaelSprite::changeRegion(region);
}

void Flag::moveToView1() {
    VaelSprite::moveToView1();
    cloth_->moveToView1();
    shadow_->moveToView1();
}

void Flag::save(std::ostream& stream) const {
    VaelSprite::save(stream);
    cloth_->save(stream);
    shadow_->save(stream);
}

bool Flag::load(std::istream& stream) {
    std::ostringstream before;
    save(before);
    bool taken = VaelSprite::load(stream);
    const char* why = loadRefusal_;
    if (taken) taken = cloth_->load(stream), why = cloth_->loadRefusal();
    if (taken) taken = shadow_->load(stream), why = shadow_->loadRefusal();
    // A flag is made with its state set, which nothing clears.
    if (taken && (state_ != 1 || cloth_->getState() != 1 || shadow_->getState() != 1))
        taken = false, why = "state is none a flag is given";
    if (taken) return true;
    std::istringstream restore(before.str());
    VaelSprite::load(restore);
    cloth_->load(restore);
    shadow_->load(restore);
    // Said after the parts are put back, whose loads answer for themselves.
    loadRefusal_ = why;
    return false;
}

void Flag::saveUnderWay(std::ostream& stream) const {
    VaelSprite::saveUnderWay(stream);
    cloth_->saveUnderWay(stream);
    shadow_->saveUnderWay(stream);
}

bool Flag::loadUnderWay(std::istream& stream) {
    if (!VaelSprite::loadUnderWay(stream)) return false;
    // The parts' reasons are the flag's.
    for (VaelSprite* part : {cloth_.get(), shadow_.get()})
        if (!part->loadUnderWay(stream)) return loadRefusal_ = part->loadRefusal(), false;
    return true;
}

// Stepping, drawing, hits.

// A raised flag is stepped on every tick of its layer while its command is active: the three parts step
// into boxes of their own, and only the flag's answer is a list.
ZoomBoxes* Flag::update(std::int32_t now) {
    Box cloth[Levels], pole[Levels], shadow[Levels];
    const bool clothStepped = cloth_->step(now, cloth);
    const bool poleStepped = VaelSprite::step(now, pole);
    const bool shadowStepped = shadow_->step(now, shadow);
    auto* boxes = new ZoomBoxes();
    for (int level = 0; level < Levels; ++level) {
        List<Box>& list = boxes->level(level);
        if (clothStepped) addOnce(list, cloth[level]);
        if (poleStepped) addOnce(list, pole[level]);
        if (shadowStepped) addOnce(list, shadow[level]);
    }
    return boxes;
}

Box Flag::draw(Bitmap& target, const Point& origin) {
    return drawAt(target, origin, 0);
}

Box Flag::drawAt(Bitmap& target, const Point& origin, int level) {
    if (isHidden()) return Box();
    // The shadow lies on the ground under the pole, and the cloth hangs in front of it.
    Box drawn = shadow_->drawAt(target, origin, level);
    drawn = joined(drawn, VaelSprite::drawAt(target, origin, level));
    return joined(drawn, cloth_->drawAt(target, origin, level));
}

Box Flag::bounds() const {
    return boundsAt(0);
}

Box Flag::boundsAt(int level) const {
    if (isHidden()) return Box();
    return joined(joined(VaelSprite::boundsAt(level), cloth_->boundsAt(level)), shadow_->boundsAt(level));
}

std::int16_t Flag::hitTest(const Point& point) const {
    return hitTestAt(point, 0);
}

std::int16_t Flag::hitTestAt(const Point& point, int level) const {
    return VaelSprite::hitTestAt(point, level) || cloth_->hitTestAt(point, level) ||
           shadow_->hitTestAt(point, level);
}

} // namespace vael
