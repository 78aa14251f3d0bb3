#pragma once
// What the game puts up without asking anything: the notice while a computer leader gives his orders, the
// video dialog, the tutorial's help and the program's title and version. The video dialog has no player here:
// it shows its frame and closes at the end of the clip, which is empty, so it closes as soon as it has been
// seen.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component.h"
#include "framework/ui/dialog.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "AboutDlg", from Help -> About...: the program's title and version, modal, closed by its button.
class AboutDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "AboutDlg";
    static constexpr std::int16_t IdTitle = 101;
    // The string of the program's title.
    static constexpr std::uint16_t TitleString = 1;
    // The line shown: the title and the version.
    static std::string lineOf(const std::string& title, const std::string& version) {
        return title + ", version " + version;
    }

    explicit AboutDlg(std::string line, DialogShown shown = {});
    void onInitDialog() override;

private:
    std::string line_;
    DialogShown shown_;
};

// The notice while a computer leader gives his orders, on the template "PreloadDlg" (its "please wait"
// lines are this notice's): modeless, near the top of the frame so that the map's middle stays in view,
// closed when "LeaderFinished" arrives on its bus or when the battle closes.
class AILeaderGoingDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "PreloadDlg";
    static constexpr std::int16_t IdWait = 100, IdText = 101;
    static std::string lineOf(const std::string& leader) { return leader + " is now giving orders."; }

    explicit AILeaderGoingDlg(const std::string& leader, DialogShown shown = {});
    ~AILeaderGoingDlg() override;
    void onInitDialog() override;
    void close(std::int16_t value) override;

protected:
    // A long name would be cut at the template's width: the lines and the box widen to hold it.
    void adjustTemplate(DialogTemplate& box) override;

private:
    static ContainerBase* onLeaderFinished(Component* target, BusMessage event, ContainerBase* data);
    std::string leader_;
    DialogShown shown_;
};

// Puts the notice up when a computer leader is handed his orders ("InitAILeader" on the logical layer's
// bus) and keeps it until it closes; one notice at a time.
class AILeaderNotice : public Component {
public:
    explicit AILeaderNotice(DialogShown shown = {});
    ~AILeaderNotice() override;
    void connectHandlers() override;
    AILeaderGoingDlg* notice() const { return notice_.get(); }
    void show(const std::string& leader);
    // The notice put out of sight while the player chooses what follows the battle, and back.
    void setHidden(bool hidden);
    // The notice taken down with the battle it spoke for.
    void close();

private:
    static ContainerBase* onInitAILeader(Component* target, BusMessage event, ContainerBase* data);
    DialogShown shown_;
    std::unique_ptr<AILeaderGoingDlg> notice_;
};

// "VideoDlg": modal; closes with 1 at the end of the clip or on Close, with 0 on Escape. The palette
// animation rests while it is up.
class VideoDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "VideoDlg";
    static constexpr std::int16_t IdClose = 1;
    // The command the clip sends its dialog when it has played to its end.
    static constexpr std::int16_t IdClipEnded = 100;

    explicit VideoDlg(const std::string& fileName, DialogShown shown = {});
    const std::string& fileName() const { return fileName_; }
    // True when the clip, not the player, closed the dialog.
    bool endedByClip() const { return endedByClip_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void close(std::int16_t value) override;
    void drawBackground() override;

private:
    std::string fileName_;
    DialogShown shown_;
    bool endedByClip_ = false;
    bool suspended_ = false;
};

// "DemoHelp": the tutorial battle's help; "Quick Start" turns to the quick start (and greys itself),
// Close ends it with 1, Escape with 0.
class DemoHelpDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "DemoHelp";
    static constexpr std::int16_t IdClose = 1, IdQuickStart = 9;
    enum Page { Help = 0, QuickStart = 1 };
    static const std::vector<std::string>& linesOf(Page page);

    explicit DemoHelpDlg(DialogShown shown = {});
    Page page() const { return page_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;

private:
    DialogShown shown_;
    Page page_ = Help;
};

} // namespace vael
