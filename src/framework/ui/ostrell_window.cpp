#include "framework/ui/ostrell_window.h"

#include <algorithm>

namespace vael {

OstrellMainWindow::OstrellMainWindow(const Point& position, const Dim& size, const char* caption,
                                     const std::string& archiveName, std::int16_t showCommand,
                                     const char* pictureGroup)
    : Window(position, size, caption, "Unnamed Windows Main Window"),
      WindowsMainWindow(position, size, caption, "AppMenu", "AppIcon", "ChildIcon", nullptr, showCommand),
      images_(PictureArchive::open(archiveName)) {
    blocks_ = images_->group("Blocks");
    // Pictures without pixels cannot tile anything.
    std::erase_if(blocks_,
                  [](const platform::Surface& s) { return !s.pixels || s.width <= 0 || s.height <= 0; });
    if (pictureGroup) {
        const std::vector<platform::Surface> group = images_->group(pictureGroup);
        if (!group.empty()) picture_ = group.front();
    }
    // The frame was made (and its client sized) before the pictures were here.
    paintBackground(clientWindow());
}

Box OstrellMainWindow::pictureBox() const {
    if (!picture_.pixels) return Box();
    const auto x = static_cast<std::int16_t>(std::max(0, (width() - picture_.width) / 2));
    const auto y = static_cast<std::int16_t>(std::max(0, (height() - picture_.height) / 2));
    return Box(x, y, static_cast<std::int16_t>(picture_.width), static_cast<std::int16_t>(picture_.height));
}

void OstrellMainWindow::resizeBackBuffer(const Dim& size) {
    WindowsMainWindow::resizeBackBuffer(size);
    paintBackground(clientWindow());
}

void OstrellMainWindow::paintBackground(WindowHandle window) {
    clearDirtyBoxes();
    if (!blocks_.empty()) {
        const std::int32_t tileWidth = blocks_.front().width, tileHeight = blocks_.front().height;
        const Box box = pictureBox();
        const platform::Rect hole{box.x, box.y, box.w, box.h};
        std::size_t next = 0;
        for (std::int32_t y = 0; y < height(); y += tileHeight)
            for (std::int32_t x = 0; x < width(); x += tileWidth) {
                const platform::Surface& block = blocks_[next++ % blocks_.size()];
                // Only the parts outside the picture: it goes on top last.
                for (const platform::Rect& part : subtract({x, y, tileWidth, tileHeight}, hole))
                    drawBitmap(
                        Point(static_cast<std::int16_t>(part.x), static_cast<std::int16_t>(part.y)), block,
                        Box(static_cast<std::int16_t>(part.x - x), static_cast<std::int16_t>(part.y - y),
                            static_cast<std::int16_t>(part.width), static_cast<std::int16_t>(part.height)));
            }
    }
    if (picture_.pixels) drawWholeBitmap(pictureBox().topLeft(), picture_);
    present(window);
    clearDirtyBoxes();
}

OstrellChildWindow::OstrellChildWindow(const Point& position, const Dim& size, const std::string& archiveName,
                                       const char* caption, const char* menuName, const char* iconName,
                                       const char* name)
    : Window(position, size, caption, name ? name : "Unnamed OstrellChildWindow"),
      WindowsChildWindow(position, size, caption, menuName, iconName,
                         name ? name : "Unnamed OstrellChildWindow"),
      images_(PictureArchive::open(archiveName)) {}

void OstrellChildWindow::paintBackground() {
    const std::vector<platform::Surface> group = images_->currentGroup();
    if (group.empty() || group.front().width <= 0 || group.front().height <= 0) return;
    const std::int32_t tileWidth = group.front().width, tileHeight = group.front().height;
    std::size_t frame = 0;
    for (std::int32_t y = 0; y < height(); y += tileHeight)
        for (std::int32_t x = 0; x < width(); x += tileWidth)
            drawWholeBitmap(Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)),
                            group[frame++ % group.size()]);
}

} // namespace vael
