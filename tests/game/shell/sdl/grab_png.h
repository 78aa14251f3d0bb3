#pragma once
// A window taken from the X server, written as a PNG file for people to look at.
#include <cairo.h>

#include <cstdint>
#include <filesystem>

#include "x11_grab.h"

namespace vael::test {

// False when the file could not be written.
inline bool writePng(const Grab& grab, const std::filesystem::path& file) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, grab.width, grab.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < grab.height; ++y)
        for (int x = 0; x < grab.width; ++x)
            reinterpret_cast<std::uint32_t*>(data + y * stride)[x] =
                grab.rgb[std::size_t(y) * grab.width + x];
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

} // namespace vael::test
