#pragma once
// A test application whose archives come from the forged data set, with the battle landscapes of a small
// map made, attached and fed in both views, and a layer standing in for their anchors.
#include <gtest/gtest.h>

#include <memory>

#include "framework/display/image_index.h"
#include "game/rules/roll.h"
#include "hex_map_fixture.h"
#include "landscape_anchors.h"
#include "support/bus_recorder.h"
#include "support/test_application.h"

namespace vael::test {

// Hears what the landscapes announce.
class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    void connectHandlers() override {
        connectNamed("SpriteDestroyed", h1);
        connect(SPRITE_CREATED, h2);
        connect(INVALIDATE_VIEW, h3);
        connectNamed("SpriteMoved", h4);
    }
};

class ForgedMapScene : public ::testing::Test {
protected:
    ForgedMapScene() {
        app.onFindDataFile = [](OIFBase* library, const std::uint8_t*& at, const std::uint8_t* end) {
            findIndexedDataFile(library, at, end, VAEL_BUILD_DATA_DIR, "");
        };
        index.read(VAEL_BUILD_DATA_DIR);
        listener.attach(app);
        rec().reset();
    }
    ~ForgedMapScene() override {
        Roll::endScript();
        rec().reset();
    }

    // Full-size landscapes of both views (and the smaller ones for the anchors) of a columns x rows map.
    void make(int columns, int rows, const std::function<int(int)>& level,
              const std::map<int, std::uint16_t>& terrain = {}, std::uint16_t battle = 10) {
        anchors[0].reset(), anchors[1].reset();
        for (int view = 0; view < 2; ++view)
            for (int z = 0; z < 3; ++z) {
                auto& l = levels[view][z];
                l = PointedVaelLandscape::create(
                    static_cast<std::uint16_t>((view ? 4 : 0) | (z ? 1 << (z - 1) : 0)));
                l->attach(app);
            }
        for (int view = 0; view < 2; ++view) {
            anchors[view] =
                std::make_unique<LandscapeAnchors>(levels[view][0].get(), levels[view][1].get(),
                                                   levels[view][2].get(), static_cast<std::uint16_t>(view));
            for (auto& l : levels[view])
                feed(*l, columns, rows, mapRegions(columns, rows, level, terrain), battle);
        }
        rec().reset();
    }
    PointedVaelLandscape& normal() { return *levels[0][0]; }
    PointedVaelLandscape& turned() { return *levels[1][0]; }

    TestApplication app;
    ImageIndex index;
    Listener listener;
    std::unique_ptr<PointedVaelLandscape> levels[2][3];
    std::unique_ptr<LandscapeAnchors> anchors[2];
};

} // namespace vael::test
