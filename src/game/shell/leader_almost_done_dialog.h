#pragma once
// The small floating prompt a player sees when the active leader has given his last order: its button
// finishes the leader at once, and its check box turns the prompt off for later activations. It closes
// itself when the leader is finished some other way or the game closes, and remembers, per user, where
// the player left it.
#include <cstdint>

#include "framework/ui/dialog.h"

namespace vael {

class LeaderAlmostDoneDlg : public Dialog {
public:
    static constexpr std::int16_t IdFinishLeader = 101;
    static constexpr std::int16_t IdDontShowAgain = 17;
    // The menu command that finishes the leader.
    static constexpr std::int32_t FinishLeaderCommand = 224;
    static constexpr const char* TemplateName = "LeaderAlmostFinished";
    static constexpr const char* PlacementKey = "SOFTWARE\\Tamblor\\Vaelmoric\\Placement\\LeaderDone";
    static constexpr const char* PreferencesKey = "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences";

    LeaderAlmostDoneDlg();
    // Closing stores the place and the choice; the base's own teardown would skip that.
    ~LeaderAlmostDoneDlg() override;

    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void close(std::int16_t value) override;

private:
    static ContainerBase* onFinished(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onMenuItem(Component* target, BusMessage event, ContainerBase* data);
    void disableFromMenu();
    void placeOnScreen();
    // The dialog's outer box on the screen, and the screen's size.
    platform::Rect outerOnScreen() const;
    static Dim screenSize();
};

} // namespace vael
