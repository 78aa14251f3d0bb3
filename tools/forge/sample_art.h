#pragma once
// The first sample archive: a grass tile, a water tile in the animated colours, a soldier with shield and
// spear in two steps of a walk, a flag and a highlight mark, each drawn by code.
#include "tools/forge/archive_writer.h"

namespace vael::forge {

ForgedArchive sampleArchive();

} // namespace vael::forge
