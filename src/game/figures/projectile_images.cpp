#include "game/figures/projectile_images.h"

#include <new>
#include <string>

namespace vael {
namespace {

OIF<Bitmap>* projectileTable[MissileKinds][3] = {};

const char* const ProjectileNames[MissileKinds] = {"Arrows", "Bolt", "Javelins", "Indian Javelin", "Stone"};
const char* const SizeSuffix[3] = {"", " (Half size)", " (Quarter size)"};

} // namespace

void loadMissileImages() {
    for (int kind = 0; kind < MissileKinds; ++kind)
        for (int size = 0; size < 3; ++size) {
            // A set loaded twice would lose the first library: the later load takes its place.
            delete projectileTable[kind][size];
            projectileTable[kind][size] =
                new (std::nothrow) OIF<Bitmap>(std::string(ProjectileNames[kind]) + SizeSuffix[size]);
        }
}

void freeMissileImages() {
    for (int size = 0; size < 3; ++size)
        for (int kind = 0; kind < MissileKinds; ++kind) {
            delete projectileTable[kind][size];
            projectileTable[kind][size] = nullptr;
        }
}

OIF<Bitmap>* projectileImageSet(std::int16_t kind, int size) {
    if (kind < 0 || kind >= MissileKinds || size < 0 || size > 2) return nullptr;
    return projectileTable[kind][size];
}

} // namespace vael
