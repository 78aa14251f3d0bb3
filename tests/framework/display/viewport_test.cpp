#include "framework/display/viewport.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/core/bus_event.h"
#include "framework/display/physical_layer.h"
#include "support/display/test_window.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::Labels;
using test::rec;
using test::TestWindow;

Labels sendFrom(Component& from, BusMessage event) {
    return test::run([&] {
        Container<short> box(1);
        from.send(event, &box);
    });
}

// The window W looks at the layer through its viewport; the application bus A (where both sides' layers
// and the landscapes listen) is the layer's parent, and the probe P on the layer stands for its objects.
struct Scene {
    Scene() {
        appProbe.attach(app);
        layer.attach(app);
        objects.attach(layer);
        window->setup = [](test::Probe& w) { test::connectAll({{&w, INVALIDATE_VIEW, test::h1}}); };
        test::connectAll({{&appProbe, RegisteredMessage::getId("Change Viewport"), test::h1},
                          {&objects, INVALIDATE_LANDSCAPE, test::h2}});
        layer.addViewport(viewport);
    }
    void change(std::uint16_t from, std::uint16_t to) {
        ViewportInfo info;
        info.window = window;
        info.oldFlags = from;
        info.newFlags = to;
        viewport->changeViewport(info);
    }
    test::TestApplication app;
    test::Probe appProbe{"A"};
    PhysicalLayer layer;
    test::Probe objects{"P"};
    TestWindow* window = new TestWindow("W");
    Viewport* viewport = new Viewport(window);
};

class ViewportTest : public test::RecorderTest {};

TEST_F(ViewportTest, TheWindowHearsItsLayerAndTheLayerHearsTheWindowWhileAttached) {
    Scene s;
    EXPECT_EQ((std::tuple{s.viewport->getName(), s.viewport->getParent(), s.window->getBus(),
                          s.window->connectCount}),
              std::tuple("Unnamed Viewport", &s.layer, s.viewport, 1));
    EXPECT_EQ(sendFrom(s.objects, INVALIDATE_VIEW), (Labels{"W.h1"}));
    EXPECT_EQ(sendFrom(*s.window, INVALIDATE_LANDSCAPE), (Labels{"P.h2"}));
    // Detached, the window goes off with it; attached again, it comes back.
    s.viewport->detach();
    EXPECT_EQ((std::tuple{s.window->getBus(), s.viewport->getParent(), sendFrom(s.objects, INVALIDATE_VIEW)}),
              std::tuple(nullptr, nullptr, Labels{}));
    s.viewport->attach(s.layer);
    EXPECT_EQ((std::tuple{s.window->getBus(), sendFrom(s.objects, INVALIDATE_VIEW)}),
              std::tuple(s.viewport, Labels{"W.h1"}));
}

TEST_F(ViewportTest, AChangeOfViewKeepsOrDropsTheLayerByTheReversedBit) {
    struct Row {
        std::uint16_t from, to;
        bool staysOnLayer;
    } rows[] = {{0, 1, true},  {1, 2, true},  {4, 6, true}, {5, 4, true},
                {0, 4, false}, {6, 2, false}, {3, 7, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.from << " -> " << r.to);
        Scene s;
        const std::size_t hooks = test::valuesOf(s.layer.receiveAllHooks()).size();
        // Announced at once on the layer, from where it rises to the application's bus.
        EXPECT_EQ(test::run([&] { s.change(r.from, r.to); }), (Labels{"A.h1"}));
        EXPECT_EQ(rec().traces().back(), "A.h1 now ViewportInfo");
        EXPECT_EQ(test::valuesOf(s.layer.receiveAllHooks()).size(), hooks - (r.staysOnLayer ? 0 : 1));
        EXPECT_EQ(sendFrom(s.objects, INVALIDATE_VIEW), r.staysOnLayer ? Labels{"W.h1"} : Labels{});
        EXPECT_EQ(sendFrom(*s.window, INVALIDATE_LANDSCAPE), r.staysOnLayer ? Labels{"P.h2"} : Labels{});
    }
}

TEST(ViewportLifetime, DeletingAViewportDeletesItsWindow) {
    test::TestApplication app;
    auto* window = new TestWindow();
    auto viewport = std::make_unique<VaelViewport>(window);
    EXPECT_EQ((std::tuple{viewport->getName(), viewport->display(), TestWindow::live}),
              std::tuple("Unnamed Vael Viewport", window, 1));
    viewport.reset();
    EXPECT_EQ(TestWindow::live, 0);
    Viewport empty(nullptr, "Empty"); // a viewport without a window is harmless
    EXPECT_EQ(empty.getName(), "Empty");
}

} // namespace
} // namespace vael
