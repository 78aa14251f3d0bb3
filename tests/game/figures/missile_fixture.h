#pragma once
// The scene of the missile units: the figure scene with an arrow archive ("Arrows" at every size:
// "Default" 1 image, then "N" ... "NW" 3 images each) and the missile sets loaded after it is known.
#include "game/figures/figure_fixture.h"
#include "game/figures/projectile_images.h"

namespace vael::test {

inline GroupList arrowGroups() {
    GroupList g = {{"Default", 1}};
    for (const char* c : Compass)
        g.push_back({c, 3});
    return g;
}

class MissileScene : public FigureScene {
protected:
    MissileScene() {
        write("arrows.oif", keyedArchive("Arrows", arrowGroups()));
        auto base = app.onFindInMapFile;
        app.onFindInMapFile = [this, base](OIFBase* library) {
            if (library->name().rfind("Arrows", 0) == 0) {
                std::ifstream in(dir / "arrows.oif", std::ios::binary);
                library->readFile((dir / "arrows.oif").string(), in);
                return;
            }
            base(library);
        };
        loadMissileImages();
    }
};

} // namespace vael::test
