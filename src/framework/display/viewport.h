#pragma once
// The bus that joins one window to one physical layer: attached below the layer, it hears everything the
// layer hears, and the window is the one component on it. A window that turns to the other side of the
// battlefield announces it here, and the viewport stops hearing its old layer.
#include <cstdint>
#include <memory>

#include "framework/core/asynchronous_bus.h"
#include "framework/core/type_name.h"

namespace vael {

// The window a viewport serves. Only its component part matters here: it is attached to the viewport's
// bus and deleted with the viewport. The windows of the frame (the MDI child) take this place.
using ViewportWindow = Component;
class LandscapeTile;

// The value of the view flags that marks the reversed view; the low two bits give the zoom.
inline constexpr std::uint16_t ReversedView = 4;

struct ViewportInfo {
    ViewportWindow* window = nullptr;
    LandscapeTile* tile = nullptr;
    std::uint16_t oldFlags = 0;
    std::uint16_t newFlags = 0;
};

class Viewport : public AsynchronousBus {
public:
    // Takes ownership of the window.
    explicit Viewport(ViewportWindow* display, const char* name = nullptr);
    ~Viewport() override;

    ViewportWindow* display() const { return display_.get(); }

    void connectParent() override;
    void detach() override;
    virtual void changeViewport(const ViewportInfo& info);

private:
    std::unique_ptr<ViewportWindow> display_;
};

class VaelViewport : public Viewport {
public:
    explicit VaelViewport(ViewportWindow* display, const char* name = nullptr)
        : Viewport(display, name ? name : "Unnamed Vael Viewport") {}
};

VAEL_TYPE_NAME(Component, "Component");
VAEL_TYPE_NAME(ViewportInfo, "ViewportInfo");
VAEL_TYPE_NAME(Viewport, "Viewport");

} // namespace vael
