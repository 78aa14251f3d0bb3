#pragma once
// The scene the display-object tests stand in: a test application whose map file finds a small unit
// archive ("Unit" at all three sizes), the rout debris, the flags and a walking-animation archive written
// here; the normal view's sprite layer; the figure layer double (the objects' bus); and a recording sound
// manager. Every picture is one keyed pixel.
//
// The unit archive, groups in order (index: name, images): 0-7 "N" 2, "NE" 2, "E" 3, "SE" 2, "S" 2, "SW" 2,
// "W" 3, "NW" 2; 8 "Standing" 8; 9 "StandingR" 8; 10 "General" 6; 11 "Shock" 2; 12-19 "SpearN" 3 then
// "SpearNE" ... "SpearNW" 1 each; 20 "Shield" 2; 21 "Shield U" 1; 22 "Helmet" 2; 23-30 "HelmetN" ...
// "HelmetNW" 8 each. The archive "Bare" has only "N" ... "NW" (1 each) and "Standing" 8.
// The rout debris: "SpearN" 2 then "SpearNE" ... "SpearNW" 1 each; "Shield" 2; "Shield U" 3.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "framework/display/oif.h"
#include "game/figures/vael_physical_object.h"
#include "game/figures/walking_animation_writer.h"
#include "game/rules/roll.h"
#include "support/display/archive_bytes.h"
#include "support/figures/figure_layer.h"
#include "support/map/anchor_layer.h"
#include "support/map/flag_archive.h"
#include "support/map/recording_sound_manager.h"
#include "support/rules/scripted_rolls.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael::test {

inline const char* const Compass[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

inline GroupList unitGroups() {
    GroupList g = {{"N", 2},       {"NE", 2},    {"E", 3},     {"SE", 2},       {"S", 2},
                   {"SW", 2},      {"W", 3},     {"NW", 2},    {"Standing", 8}, {"StandingR", 8},
                   {"General", 6}, {"Shock", 2}, {"SpearN", 3}};
    for (int d = 1; d < 8; ++d)
        g.push_back({std::string("Spear") + Compass[d], 1});
    g.insert(g.end(), {{"Shield", 2}, {"Shield U", 1}, {"Helmet", 2}});
    for (const char* c : Compass)
        g.push_back({std::string("Helmet") + c, 8});
    return g;
}

inline GroupList bareGroups() {
    GroupList g;
    for (const char* c : Compass)
        g.push_back({c, 1});
    g.push_back({"Standing", 8});
    return g;
}

inline GroupList debrisGroups() {
    GroupList g = {{"SpearN", 2}};
    for (int d = 1; d < 8; ++d)
        g.push_back({std::string("Spear") + Compass[d], 1});
    g.insert(g.end(), {{"Shield", 2}, {"Shield U", 3}});
    return g;
}

// A walking record whose values say where they come from: for facing f, step d and variant v, waypoint k
// is (100 d + 10 v + k, f) and its duration 1000 d + 100 v + 10 (k + 1); the home is (-5, 3) in slot 0
// and (5, 3) elsewhere.
inline FacingOffsets walkingRecord(int slot) {
    FacingOffsets r;
    for (int f = 1; f <= 8; ++f) {
        for (int d = 1; d <= 10; ++d)
            for (int v = 0; v < 3; ++v)
                for (int k = 0; k < 3; ++k) {
                    r.facings[f].entries[d].variants[v].waypoints[k] = Point3D(
                        static_cast<std::int16_t>(100 * d + 10 * v + k), static_cast<std::int16_t>(f), 0);
                    r.facings[f].entries[d].variants[v].durations[k] =
                        static_cast<std::uint32_t>(1000 * d + 100 * v + 10 * (k + 1));
                }
        r.facings[f].home = Point3D(slot == 0 ? -5 : 5, 3, 0);
    }
    return r;
}

class FigureScene : public ::testing::Test {
protected:
    FigureScene() {
        write("unit.oif", keyedArchive("Unit", unitGroups()));
        write("bare.oif", keyedArchive("Bare", bareGroups()));
        write("debris.oif", keyedArchive("Generic Rout Debris", debrisGroups()));
        write("flags.oif", flagArchive());
        {
            std::ofstream out(dir / "walk.oif", std::ios::binary);
            std::vector<FacingOffsets> foot;
            for (int i = 0; i < 8; ++i)
                foot.push_back(walkingRecord(i));
            writeWalkingAnimationData(out, {{"Foot", foot}, {"Leader", {walkingRecord(0)}}});
        }
        app.onFindInMapFile = [this](OIFBase* library) {
            const std::string n = library->name();
            std::string file;
            if (n.rfind("Unit", 0) == 0) file = "unit.oif";
            if (n.rfind("Bare", 0) == 0) file = "bare.oif";
            if (n.rfind("Generic Rout Debris", 0) == 0) file = "debris.oif";
            if (n.rfind("Activation Unit Flags", 0) == 0) file = "flags.oif";
            if (n == "Walking Animation Data") file = "walk.oif";
            if (file.empty()) return;
            std::ifstream in(dir / file, std::ios::binary);
            library->readFile((dir / file).string(), in);
        };
        VaelPhysicalObject::loadSharedArtwork();
    }
    ~FigureScene() override {
        if (adopter_) adopter_->detach();
        objects.clear();
        VaelPhysicalObject::freeSharedArtwork();
        Roll::endScript();
    }

    void write(const std::string& file, const Bytes& bytes) {
        std::ofstream out(dir / file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // A prototype of the archive "Unit" at region -1 and facing 1, as the application makes them.
    std::unique_ptr<VaelPhysicalObject> prototype(const std::string& name = "Unit") {
        return std::make_unique<VaelPhysicalObject>(name, name + " (Half size)", name + " (Quarter size)", -1,
                                                    1);
    }

    // Cloned, given nation, view and layer, and attached to the layer as the layer does it; kept here.
    template <class T = VaelPhysicalObject>
    T* attach(std::unique_ptr<VaelPhysicalObject> object, std::int16_t typeId = 0) {
        object->setNation(1);
        object->setReversedView(0);
        object->setLayer(&layer);
        object->setId(static_cast<std::uint16_t>(typeId));
        object->attach(layer);
        objects.push_back(std::move(object));
        return static_cast<T*>(objects.back().get());
    }

    VaelPhysicalObject* attach(VaelPhysicalObject* made, std::int16_t typeId = 0) {
        return attach(std::unique_ptr<VaelPhysicalObject>(made), typeId);
    }

    // The layer's part in a debris object's birth: from now on it attaches what it is handed and keeps it.
    void adoptDebris() {
        adopter_ = std::make_unique<DebrisAdopter>(*this);
        adopter_->attach(layer);
    }

    TestApplication app;
    TempDir dir{"figures"};
    AnchorLayer anchors;
    RecordingSoundManager sound;
    FigureLayerDouble layer;
    std::vector<std::unique_ptr<VaelPhysicalObject>> objects;

private:
    class DebrisAdopter : public Component {
    public:
        explicit DebrisAdopter(FigureScene& scene) : Component("Adopter"), scene_(scene) {}
        void connectHandlers() override { connectNamed("PhysicalObjectCreated", onCreated); }

    private:
        static ContainerBase* onCreated(Component* self, BusMessage, ContainerBase* data) {
            VaelPhysicalObject* object = nullptr;
            if (Container<VaelPhysicalObject*>::fromMessage(data, object))
                static_cast<DebrisAdopter*>(self)->scene_.attach(std::unique_ptr<VaelPhysicalObject>(object),
                                                                 3);
            return nullptr;
        }
        FigureScene& scene_;
    };
    std::unique_ptr<DebrisAdopter> adopter_;
};

inline std::vector<FrameInfo> framesOf(const List<FrameInfo>& list) {
    std::vector<FrameInfo> out;
    Item<FrameInfo>* it = nullptr;
    for (list.firstItem(it); it; it = it->next)
        out.push_back(it->value);
    return out;
}

// The events queued on a sprite, one line each: "plain 5", "sound 10 3", "move 1204 (1,2) 240 d-1 N0 N1"
// (a phased move reads "lead" and adds " r10"), "once 1204 d-1 Standing3".
inline std::vector<std::string> eventsOf(const Sprite& sprite) {
    std::vector<std::string> out;
    Item<SpriteEvent>* it = nullptr;
    for (sprite.events().firstItem(it); it; it = it->next) {
        const SpriteEvent& e = it->value;
        const auto* box = dynamic_cast<const Container<VaelSpriteEvent>*>(e.payload());
        std::string frames;
        if (box)
            for (const FrameInfo& f : framesOf(box->valuePtr()->frames))
                frames += " " + f.name + std::to_string(f.index);
        const std::string region = std::to_string(static_cast<short>(e.region));
        if (e.kind == VaelSprite::SoundCarrier && box) {
            out.push_back("sound " + std::to_string(box->valuePtr()->sound.event) + " " +
                          std::to_string(box->valuePtr()->sound.param));
        } else if (e.kind == SpriteMove || e.kind == SpritePhasedMove) {
            std::string line = (e.kind == SpriteMove ? "move " : "lead ") + region + " (" +
                               std::to_string(e.target.x) + "," + std::to_string(e.target.y) + ") " +
                               std::to_string(e.target.t) + " d" + std::to_string(e.newLayer);
            if (e.restartFrames) line += " r" + std::to_string(e.restartFrames);
            out.push_back(line + frames);
        } else if (e.kind == SpriteAnimateOnce) {
            out.push_back("once " + region + " d" + std::to_string(e.newLayer) + frames);
        } else {
            out.push_back("plain " + std::to_string(e.kind));
        }
    }
    return out;
}

using Lines = std::vector<std::string>;

} // namespace vael::test
