#pragma once
// Shared by the display's fuzz targets: failed checks answered "go on" (a damaged file is reported and the
// program continues), draws of an image into a surface at points off every side, and an application
// whose archives come from a directory the forge filled once.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "framework/display/bitmap.h"
#include "framework/display/image_index.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "tools/forge/forge.h"

namespace vael::fuzz {

using test::continueOnFailedChecks;

// Draws the image into a small surface at points inside and off each side, in every mode, and asks the
// opacity of every pixel; answers a sum so that nothing is optimised away.
inline int exercise(Bitmap& image) {
    static Bitmap surface(Dim(40, 30), PixelOpaque);
    int sum = 0;
    const Point points[] = {{0, 0}, {-7, 3}, {35, 2}, {5, -9}, {3, 26}, {20, 15}};
    for (const Point& at : points)
        for (std::int16_t mode = 1; mode <= 6; ++mode)
            sum += surface.drawWholeBitmap(at, image, mode).w;
    sum += surface.drawBitmap(Point(1, 1), image, Box(-2, 1, 9, 40), 1).h;
    for (std::int16_t y = -1; y <= image.height() && y < 64; ++y)
        for (std::int16_t x = -1; x <= image.width() && x < 64; ++x)
            sum += image.isOpaqueAt(Point(static_cast<std::int16_t>(x - image.hotSpot().x),
                                          static_cast<std::int16_t>(y - image.hotSpot().y)));
    return sum;
}

// A directory holding the forge's data set, made once per run and removed at exit by the object that
// holds its path, so the path is still alive when it is removed. Where the build has forged its data set
// (the replay under CTest), the directory links to those files instead of drawing them all again; a
// target's own files written there stay its own.
struct ForgedDirectory {
    std::filesystem::path path;
    ForgedDirectory()
        : path(std::filesystem::temp_directory_path() / ("vael-fuzz-" + std::to_string(::getpid()))) {
#ifdef VAEL_BUILD_DATA_DIR
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
        for (const auto& entry : std::filesystem::directory_iterator(VAEL_BUILD_DATA_DIR, ignored))
            if (entry.is_regular_file())
                std::filesystem::create_symlink(entry.path(), path / entry.path().filename(), ignored);
#else
        std::string error;
        forge::forgeData(path, error);
#endif
    }
    ~ForgedDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ForgedDirectory(const ForgedDirectory&) = delete;
    ForgedDirectory& operator=(const ForgedDirectory&) = delete;
};

inline const std::filesystem::path& forgedDirectory() {
    static const ForgedDirectory dir;
    return dir.path;
}

// The application of the targets: index entries find their data files in the forged directory.
inline test::TestApplication& application() {
    static test::TestApplication* app = [] {
        auto* a = new test::TestApplication();
        a->onFindDataFile = [](OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
            findIndexedDataFile(library, cursor, end, forgedDirectory().string(), "");
        };
        return a;
    }();
    return *app;
}

// Forges the data set before the first input, from the target's
// LLVMFuzzerInitialize: forged inside the first input, it took that input past any -timeout. The targets
// answer each input only once it is done, so that a driver that never calls it fails at once.
inline bool& dataReady() {
    static bool ready = false;
    return ready;
}

inline void prepareData() {
    forgedDirectory();
    dataReady() = true;
}

inline void requireDataReady() {
    if (!dataReady()) std::abort();
}

} // namespace vael::fuzz
