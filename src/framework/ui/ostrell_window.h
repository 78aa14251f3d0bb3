#pragma once
// The framework's own frame and child windows: the frame's client area is tiled with the pictures of
// the group "Blocks" of its image archive, with an optional picture centred over them; a child has an
// image archive of its own whose current group it can tile itself with.
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/ui/child_window.h"
#include "framework/ui/main_window.h"
#include "framework/ui/picture_archive.h"

namespace vael {

class OstrellMainWindow : public WindowsMainWindow {
public:
    OstrellMainWindow(const Point& position, const Dim& size, const char* caption,
                      const std::string& archiveName, std::int16_t showCommand = 1,
                      const char* pictureGroup = nullptr);

    // Tiles the picture onto the window of that handle (the frame's client area), the centred picture last.
    virtual void paintBackground(WindowHandle window);
    // Only the size of the picture is stored.
    virtual void setSize(const Dim& size) { Display::resize(size); }
    // A new size of the client area shows the background again.
    void resizeBackBuffer(const Dim& size) override;

    // Where the centred picture lies; an empty box at (0, 0) when there is none.
    Box pictureBox() const;
    std::int16_t blockCount() const { return static_cast<std::int16_t>(blocks_.size()); }

private:
    std::unique_ptr<PictureArchive> images_;
    std::vector<platform::Surface> blocks_;
    platform::Surface picture_{};
};

class OstrellChildWindow : public WindowsChildWindow {
public:
    OstrellChildWindow(const Point& position, const Dim& size, const std::string& archiveName,
                       const char* caption, const char* menuName, const char* iconName,
                       const char* name = nullptr);
    // Tiles the window's picture with the archive's current group, one picture after another.
    virtual void paintBackground();
    PictureArchive& images() { return *images_; }

private:
    std::unique_ptr<PictureArchive> images_;
};

} // namespace vael
