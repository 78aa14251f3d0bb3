#pragma once
// The pictures of the scroll bars ("Scroll Bars": groups "Horizontal" and "Vertical") and of the spinner
// ("Spinner": group "Vertical").
#include "tools/forge/archive_writer.h"

namespace vael::forge {

ForgedArchive scrollBarArchive();
ForgedArchive spinnerArchive();

} // namespace vael::forge
