#include "game/shell/leader_almost_done_dialog.h"

#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/ui/menu.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"

namespace vael {

namespace {

using Root = platform::Settings::Root;

platform::Settings* settingsStore() {
    WinApp* app = winApp();
    return app ? &app->platform().settings() : nullptr;
}

} // namespace

LeaderAlmostDoneDlg::LeaderAlmostDoneDlg()
    : Window(Point(0, 0), Dialog::InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", "") {}

LeaderAlmostDoneDlg::~LeaderAlmostDoneDlg() {
    if (isOpen()) close(0);
}

void LeaderAlmostDoneDlg::onInitDialog() {
    if (getBus()) {
        connectNamed(msg::CloseGame, &LeaderAlmostDoneDlg::onFinished);
        connectNamed(msg::LeaderFinishLeader, &LeaderAlmostDoneDlg::onFinished);
        connect(ENABLE_MENU_ITEM, &LeaderAlmostDoneDlg::onMenuItem);
        connect(DISABLE_MENU_ITEM, &LeaderAlmostDoneDlg::onMenuItem);
        disableFromMenu();
    }
    placeOnScreen();
}

void LeaderAlmostDoneDlg::disableFromMenu() {
    const auto reply = owned(sendNowNamedEmpty(msg::GetActiveChildMenu));
    Menu* menu = nullptr;
    const bool got = takeAnswer(reply.get(), menu, __FILE__, __LINE__);
    if (!got || !menu) return;
    // A grayed item cannot be chosen either.
    if (Menu* leader = menu->findPopup("Leader");
        leader && (leader->isDisabled(FinishLeaderCommand) || leader->isGrayed(FinishLeaderCommand)))
        enableItem(IdFinishLeader, 0);
}

Dim LeaderAlmostDoneDlg::screenSize() {
    // The screen is what the lowest top-level window covers.
    const WindowManager& manager = WindowManager::instance();
    const std::vector<WindowHandle> top = manager.childrenOf(0);
    if (top.empty()) return Dim();
    const platform::Rect screen = manager.outerOnScreen(top.front());
    return Dim(static_cast<std::int16_t>(screen.width), static_cast<std::int16_t>(screen.height));
}

platform::Rect LeaderAlmostDoneDlg::outerOnScreen() const {
    return WindowManager::instance().outerOnScreen(hwnd_);
}

void LeaderAlmostDoneDlg::placeOnScreen() {
    platform::Settings* settings = settingsStore();
    if (!settings || !hwnd_) return;
    const platform::Rect me = outerOnScreen();
    const std::optional<std::uint32_t> storedX = settings->readNumber(Root::User, PlacementKey, "X");
    const std::optional<std::uint32_t> storedY = settings->readNumber(Root::User, PlacementKey, "Y");
    std::int32_t x = 0, y = 0;
    if (!storedX || !storedY) {
        const Dim screen = screenSize();
        x = screen.w - me.width;
        y = screen.h - 2 * me.height;
        settings->writeNumber(Root::User, PlacementKey, "X", static_cast<std::uint32_t>(x));
        settings->writeNumber(Root::User, PlacementKey, "Y", static_cast<std::uint32_t>(y));
        debugStream() << "Wrote values to registry for LeaderAlmostDoneDlg: (" << x << ", " << y << ")"
                      << std::endl;
    } else {
        // Stored as DWORDs: a place left of or above the screen comes back negative.
        x = static_cast<std::int32_t>(*storedX);
        y = static_cast<std::int32_t>(*storedY);
        debugStream() << "Read values from registry for LeaderAlmostDoneDlg: (" << x << ", " << y << ")"
                      << std::endl;
    }
    // The place is kept in the parent's client coordinates.
    const WindowManager& manager = WindowManager::instance();
    if (const WindowManager::Record* record = manager.find(hwnd_); record && record->parent) {
        const platform::Rect parent = manager.clientOnScreen(record->parent);
        x -= parent.x;
        y -= parent.y;
    }
    setWindowPos({x, y, me.width, me.height}, WindowPos::NoZOrder);
}

void LeaderAlmostDoneDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id != IdFinishLeader) {
        Dialog::onCommand(id, notification);
        return;
    }
    debugStream() << "Clicked on the IDC_FINISH_LEADER button" << std::endl;
    close(1);
    if (getBus()) sendNamedEmpty(msg::LeaderFinishLeader);
}

void LeaderAlmostDoneDlg::close(std::int16_t value) {
    if (!isOpen()) return;
    if (getBus()) {
        disconnectNamed(msg::CloseGame, &LeaderAlmostDoneDlg::onFinished);
        disconnectNamed(msg::LeaderFinishLeader, &LeaderAlmostDoneDlg::onFinished);
    }
    if (platform::Settings* settings = settingsStore(); settings && hwnd_) {
        // Where the prompt was put (remembered, or dragged there), not where a small window pushed it in:
        // the window grown again shows it there.
        platform::Rect me = givenPlace();
        const WindowManager& manager = WindowManager::instance();
        if (const WindowManager::Record* record = manager.find(hwnd_); record && record->parent) {
            const platform::Rect parent = manager.clientOnScreen(record->parent);
            me.x += parent.x;
            me.y += parent.y;
        }
        settings->writeNumber(Root::User, PlacementKey, "X", static_cast<std::uint32_t>(me.x));
        settings->writeNumber(Root::User, PlacementKey, "Y", static_cast<std::uint32_t>(me.y));
        debugStream() << "Writing the values to the registry for the LeaderAlmostDoneDlg: (" << me.x << ", "
                      << me.y << ")" << std::endl;
    }
    const auto* box = dynamic_cast<DialogButton*>(controlOf(IdDontShowAgain));
    const short finishLeaderPrompt = box && box->getCheck() ? 0 : 1;
    if (platform::Settings* settings = settingsStore())
        settings->writeNumber(Root::User, PreferencesKey, "Finish Leader",
                              static_cast<std::uint32_t>(finishLeaderPrompt));
    if (getBus()) {
        Container<short> show(finishLeaderPrompt);
        sendNamed(msg::ShowFinishLeader, &show);
    }
    Dialog::close(value);
}

ContainerBase* LeaderAlmostDoneDlg::onFinished(Component* target, BusMessage, ContainerBase*) {
    auto* dialog = dynamic_cast<LeaderAlmostDoneDlg*>(target);
    Assertion::check(dialog != nullptr, BadPayloadMessage, __FILE__, __LINE__);
    if (!dialog) return nullptr;
    debugStream() << "LeaderAlmostDoneDlg received the LeaderFinished message" << std::endl;
    dialog->close(1);
    return nullptr;
}

ContainerBase* LeaderAlmostDoneDlg::onMenuItem(Component* target, BusMessage event, ContainerBase* data) {
    auto* dialog = dynamic_cast<LeaderAlmostDoneDlg*>(target);
    if (!dialog) return Assertion::check(false, BadPayloadMessage, __FILE__, __LINE__), nullptr;
    BusMessage command;
    const bool good = callWithPayload<BusMessage>(data, __FILE__, __LINE__, [&](const BusMessage& word) {
        command = word;
        return true;
    });
    if (!good || command != BusMessage(FinishLeaderCommand) || !dialog->isOpen()) return nullptr;
    dialog->enableItem(IdFinishLeader, event.id() == ENABLE_MENU_ITEM ? 1 : 0);
    return nullptr;
}

} // namespace vael
