#include "framework/ui/window.h"

namespace vael {

Window::Window(const Point& position, const Dim& size, const char* caption, const char* name)
    : Display(size, name ? name : "Unnamed Window"), position_(position) {
    if (caption) caption_ = caption;
}

} // namespace vael
