#pragma once
// Where a player clicks a button of the frame's tool bar, for the tests that press one on the headless
// platform and in the real window alike.
#include <cstddef>
#include <cstdint>

#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"

namespace vael::test {

// The middle of a button of the tool bar, counted from the left, on the screen.
inline Point toolbarButton(VaelGame& game, std::size_t which) {
    auto* bar = dynamic_cast<WindowsToolbar*>(game.frame().toolbar());
    std::int32_t x = 0;
    Item<Button*>* b = nullptr;
    bar->buttons().firstItem(b);
    for (std::size_t i = 0; b && i < which; ++i, b = b->next)
        x += b->value->imageSize().w;
    const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
    return Point(static_cast<std::int16_t>(client.x + x + (b ? b->value->imageSize().w / 2 : 0)),
                 static_cast<std::int16_t>(client.y + bar->barHeight() / 2));
}

} // namespace vael::test
