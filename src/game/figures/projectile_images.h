#pragma once
// The images of the missiles in flight (arrows, bolts, javelins, Indian javelins, stones), one row per
// missile kind and one column per zoom size (full, half, quarter). Opened once with the rout debris and
// freed with it; every missile unit takes its row when it is constructed.
#include <cstdint>

#include "framework/display/oif.h"

namespace vael {

constexpr int MissileKinds = 5;

void loadMissileImages();
// Frees every library and empties the cells, so that nothing constructed afterwards takes a freed set.
void freeMissileImages();
// The set of a missile kind at a zoom size; null before loading, after freeing and out of range.
OIF<Bitmap>* projectileImageSet(std::int16_t kind, int size);

} // namespace vael
