#include "game/map/map_cursors.h"

#include "framework/core/file_lookup.h"
#include "framework/display/oif.h"
#include "framework/ui/win_app.h"

namespace vael {

namespace {
// The application the archive was read for: another run of the framework (a test's) reads it again.
const Application* readFor = nullptr;
} // namespace

int MapCursors::load() {
    auto* app = dynamic_cast<WinApp*>(Application::instance());
    if (!app || readFor == app) return 0;
    readFor = app;
    // Without a map file the archive cannot be asked for by name; the arrow will do.
    if (!findFileNoCase(app->dataPath(), app->mapFileName())) return 0;
    OIF<Bitmap> library(ArchiveName);
    const std::int16_t group = library.findGroup(Group);
    int added = 0;
    for (std::int16_t i = 0; group >= 0 && i < library.imageCount(group); ++i) {
        Bitmap* image = library.lockImageAt(i, group);
        if (!image) continue;
        platform::CursorImage cursor;
        cursor.name = image->name();
        cursor.width = image->width();
        cursor.height = image->height();
        cursor.hotX = image->hotSpot().x;
        cursor.hotY = image->hotSpot().y;
        // Only keyed and opaque rows can be copied straight; a run-length picture is no cursor of ours.
        if (image->bits() && (image->kind() == PixelKeyed || image->kind() == PixelOpaque) &&
            cursor.width > 0 && cursor.height > 0) {
            const std::size_t stride =
                static_cast<std::size_t>(cursor.width) + Bitmap::paddingFor(cursor.width);
            cursor.pixels.reserve(static_cast<std::size_t>(cursor.width) * cursor.height);
            for (std::int32_t y = 0; y < cursor.height; ++y)
                cursor.pixels.insert(cursor.pixels.end(), image->bits() + y * stride,
                                     image->bits() + y * stride + cursor.width);
            if (WinApp::addCursor(cursor)) ++added;
        }
        library.unlockImageAt(i, group);
    }
    return added;
}

void MapCursors::forget() {
    readFor = nullptr;
}

} // namespace vael
