#include "game/shell/notice_dialogs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"
#include "game/rules/leaders/group.h"
#include "game/rules/units/vael_unit.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/shell_message_names.h"

namespace vael {

AboutDlg::AboutDlg(std::string line, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), line_(std::move(line)),
      shown_(std::move(shown)) {}

void AboutDlg::onInitDialog() {
    centre();
    setItemText(IdTitle, line_);
    if (shown_) shown_(*this, TemplateName);
}

using dialog_helpers::pixelsX;
using dialog_helpers::pixelsY;
using dialog_helpers::write;

// The computer leader's notice.

AILeaderGoingDlg::AILeaderGoingDlg(const std::string& leader, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), leader_(leader),
      shown_(std::move(shown)) {}

AILeaderGoingDlg::~AILeaderGoingDlg() {
    if (isOpen()) close(0);
}

void AILeaderGoingDlg::onInitDialog() {
    centre();
    // Moved up to the top of the frame, keeping the middle of the battle in view.
    const WindowManager& manager = WindowManager::instance();
    if (const WindowManager::Record* me = manager.find(hwnd_)) {
        platform::Rect box = manager.outerOnScreen(hwnd_);
        if (me->parent) {
            const platform::Rect parent = manager.clientOnScreen(me->parent);
            box.x -= parent.x;
        }
        box.y = 8;
        setWindowPos(box, WindowPos::NoZOrder);
    }
    setItemText(IdText, lineOf(leader_));
    setItemText(IdWait, "Please wait...");
    if (getBus()) {
        connectNamed(msg::LeaderFinished, &AILeaderGoingDlg::onLeaderFinished);
        connectNamed(msg::CloseGame, &AILeaderGoingDlg::onLeaderFinished);
    }
    if (shown_) shown_(*this, TemplateName);
}

void AILeaderGoingDlg::adjustTemplate(DialogTemplate& box) {
    const auto text = std::find_if(box.items.begin(), box.items.end(),
                                   [](const DialogItem& item) { return item.signedId() == IdText; });
    if (text == box.items.end() || text->cx <= 0) return;
    // The pixels a template unit of the line's width becomes, as the dialog will convert it.
    DialogTemplate one;
    one.items.push_back(*text);
    const std::vector<StaticText> converted =
        convertTemplate(one, DialogUnits::of(SystemAverageCharWidth, SystemAscent));
    if (converted.empty() || converted.front().size.w <= 0) return;
    const double perUnit = static_cast<double>(converted.front().size.w) / text->cx;
    DialogFont font(TextTile::DefaultFont);
    const auto needed = static_cast<std::int32_t>(std::ceil((font.textWidth(lineOf(leader_)) + 2) / perUnit));
    if (needed <= text->cx) return;
    const auto grow = static_cast<std::int16_t>(needed - text->cx);
    for (DialogItem& item : box.items)
        if (item.signedId() == IdText || item.signedId() == IdWait)
            item.cx = static_cast<std::int16_t>(item.cx + grow);
    box.cx = static_cast<std::int16_t>(box.cx + grow);
}

void AILeaderGoingDlg::close(std::int16_t value) {
    if (!isOpen()) return;
    if (getBus()) {
        disconnectNamed(msg::LeaderFinished, &AILeaderGoingDlg::onLeaderFinished);
        disconnectNamed(msg::CloseGame, &AILeaderGoingDlg::onLeaderFinished);
    }
    Dialog::close(value);
}

ContainerBase* AILeaderGoingDlg::onLeaderFinished(Component* target, BusMessage, ContainerBase*) {
    if (auto* notice = dynamic_cast<AILeaderGoingDlg*>(target)) notice->close(1);
    return nullptr;
}

AILeaderNotice::AILeaderNotice(DialogShown shown) : Component("AI Leader Notice"), shown_(std::move(shown)) {}

AILeaderNotice::~AILeaderNotice() {
    notice_.reset();
}

void AILeaderNotice::connectHandlers() {
    connectNamed(msg::InitAILeader, &AILeaderNotice::onInitAILeader);
}

void AILeaderNotice::show(const std::string& leader) {
    if (notice_ && notice_->isOpen()) return;
    notice_.reset();
    Bus* bus = getBus();
    if (!bus) return;
    notice_ = std::make_unique<AILeaderGoingDlg>(leader, shown_);
    notice_->attach(*bus);
    notice_->create(AILeaderGoingDlg::TemplateName, Dialog::Modeless);
}

void AILeaderNotice::setHidden(bool hidden) {
    if (notice_ && notice_->isOpen()) WindowManager::instance().setVisible(notice_->hwnd(), !hidden);
}

void AILeaderNotice::close() {
    if (notice_) notice_->close(0);
    notice_.reset();
}

ContainerBase* AILeaderNotice::onInitAILeader(Component* target, BusMessage, ContainerBase* data) {
    auto* notice = dynamic_cast<AILeaderNotice*>(target);
    if (!notice) return nullptr;
    callWithPayload<Group*>(data, __FILE__, __LINE__, [notice](Group* const& group) {
        notice->show(group && group->leader ? group->leader->getName() : std::string("The computer"));
    });
    return nullptr;
}

// The video.

VideoDlg::VideoDlg(const std::string& fileName, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), fileName_(fileName),
      shown_(std::move(shown)) {}

void VideoDlg::onInitDialog() {
    centre();
    debugStream() << "Playing the video " << fileName_ << ": there is no video to play" << std::endl;
    if (getBus()) {
        sendNamedEmpty(msg::SuspendPaletteAnimation);
        suspended_ = true;
    }
    if (shown_) shown_(*this, TemplateName);
    // The clip is empty: its end comes as soon as what is already waiting has been handled.
    if (isOpen())
        if (WinApp* app = winApp()) app->postMessage(hwnd_, MessageCommand, IdClipEnded, 0);
}

void VideoDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClipEnded) {
        endedByClip_ = true;
        close(1);
    } else if (id == IdClose) {
        close(1);
    } else {
        Dialog::onCommand(id, notification);
    }
}

void VideoDlg::close(std::int16_t value) {
    if (!isOpen()) return;
    Dialog::close(value);
    if (suspended_ && getBus()) sendNamedEmpty(msg::ResumePaletteAnimation);
    suspended_ = false;
}

void VideoDlg::drawBackground() {
    Dialog::drawBackground();
    // The screen the clip would play on, above the Close button.
    fillRect(Box(pixelsX(6), pixelsY(6), pixelsX(206), pixelsY(122)), 0, 0, 0);
}

// The tutorial's help.

const std::vector<std::string>& DemoHelpDlg::linesOf(Page page) {
    static const std::vector<std::string> help = {
        "The demonstration battle",
        "",
        "The battle plays itself while you watch: the computer gives",
        "the orders of both armies, leader by leader.",
        "",
        "The leader whose flag is raised is the one giving orders.",
        "His units move, turn, loose their missiles and charge; the",
        "running commentary tells what each order did.",
        "",
        "At the end of every turn the overview shows how much of",
        "each army's TQ has been lost against its rout limit.",
        "",
        "Press Quick Start to learn how to give orders yourself.",
    };
    static const std::vector<std::string> quick = {
        "Quick start",
        "",
        "1. Choose Start Game... from the File menu and pick a battle.",
        "2. Choose the side you want to command; the computer plays",
        "   the other one.",
        "3. When one of your leaders is active, click one of his units",
        "   and then the hex it should move to.",
        "4. The Unit menu turns, rallies and fires the unit selected.",
        "5. Finish Leader in the Leader menu ends his orders; then",
        "   the combats he ordered are fought.",
        "6. The battle ends when an army's losses pass its rout limit.",
    };
    return page == QuickStart ? quick : help;
}

DemoHelpDlg::DemoHelpDlg(DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {}

void DemoHelpDlg::onInitDialog() {
    debugStream() << "Here in DemoHelp" << std::endl;
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void DemoHelpDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose) {
        close(1);
    } else if (id == IdQuickStart) {
        if (page_ == QuickStart) return;
        page_ = QuickStart;
        enableItem(IdQuickStart, 0);
        dialogProc(MessagePaint, 0, 0);
    } else {
        Dialog::onCommand(id, notification);
    }
}

void DemoHelpDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    const std::vector<std::string>& lines = linesOf(page_);
    for (std::size_t i = 0; i < lines.size(); ++i)
        write(*this, font, pixelsX(8), pixelsY(6 + static_cast<std::int32_t>(i) * 11), lines[i]);
}

} // namespace vael
