#pragma once
// A save as the player makes it and then finds it: he saves at his first activation, filling the Save
// Game dialog as the test says; once the file is on the disk he opens File > Open Game, and once its list
// is drawn the window is taken, and he cancels and leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "battle_window.h"
#include "framework/core/registered_message.h"
#include "x11_grab.h"

namespace vael::test {

struct SavedAndListed {
    bool listSeen = false;
    std::vector<std::string> rows; // Open Game's list as it was drawn
    Grab picture;                  // the window with that list open
};

inline SavedAndListed saveThenList(BattleWindow& w, const std::filesystem::path& saved,
                                   const std::function<void(Dialog&)>& fill) {
    SavedAndListed seen;
    w.player.saveAt = [](int) { return true; };
    bool openAsked = false;
    Dialog* loading = nullptr;
    w.watched->idle = [&] {
        if (loading && !seen.listSeen) {
            seen.listSeen = true;
            seen.picture = grabWindow(w.platform->window());
            if (DialogItemWindow* list = loading->item(LoadSaveDlg::IdList))
                for (std::int32_t i = 0; list->row(i); ++i)
                    seen.rows.push_back(list->row(i)->text);
            w.click(*loading, Dialog::IdCancel);
            w.leave();
            return;
        }
        if (!openAsked && std::filesystem::exists(saved)) {
            openAsked = true;
            w.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                      RegisteredMessage::getId("FileOpenGame"), 0);
            return;
        }
        if (!openAsked) w.player.idle();
    };
    w.game->onDialog = [&](Dialog& d, const std::string& name) {
        if (w.intoBattle(d, name) || name != LoadSaveDlg::TemplateName) return;
        if (openAsked) {
            loading = &d;
            return;
        }
        fill(d);
        w.click(d, Dialog::IdOk);
    };
    EXPECT_EQ(w.game->run(), 0);
    w.watched->idle = nullptr;
    w.game->onDialog = nullptr;
    return seen;
}

} // namespace vael::test
