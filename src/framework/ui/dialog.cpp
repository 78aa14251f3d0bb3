#include "framework/ui/dialog.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/list_walk.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/main_window.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/system_font.h"
#include "framework/ui/text_wrap.h"
#include "framework/ui/ui_message_names.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"

namespace vael {

namespace {

// The question open last (a modal dialog), or 0 when none stands.
WindowHandle lastModalDialog(const WinApp& app) {
    WindowHandle found = 0;
    for (WindowHandle h : each(app.modelessDialogs()))
        if (const WindowManager::Record* r = WindowManager::instance().find(h))
            if (const auto* d = dynamic_cast<const Dialog*>(r->window); d && d->mode() == Dialog::Modal) found = h;
    return found;
}

// The dialog's background picture: pixels of its own, shown to nobody.
class Canvas : public Display {
public:
    explicit Canvas(const Dim& size) : Display(size, "Dialog background") {}
    Point cursorPosition() override { return Point(); }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
};

TWindowMetrics placedAt(const Point& at, const Dim& size) {
    TWindowMetrics m;
    m.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, at.x, lmPixels);
    m.y.set(lmTop, lmAbsolute, nullptr, lmTop, at.y, lmPixels);
    m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, size.w, lmPixels);
    m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, size.h, lmPixels);
    return m;
}

bool isOwnerDrawn(const DialogItemWindow& w) {
    return w.controlClass() == ClassButton && (w.style() & style::ButtonTypeMask) == style::OwnerDraw;
}

bool takesFocus(const DialogItemWindow& w) {
    if (!w.isVisible() || !w.isEnabled()) return false;
    return w.controlClass() == ClassEdit || w.controlClass() == ClassListBox ||
           w.controlClass() == ClassComboBox || isOwnerDrawn(w);
}

WindowsMainWindow* frameWindow() {
    WinApp* app = winApp();
    return app ? dynamic_cast<WindowsMainWindow*>(app->getMainWindow()) : nullptr;
}

// Alt and a letter that a title of the frame's menu bar bears.
bool titleLetter(const WindowMessage& message) {
    if (message.message != MessageSysKeyDown &&
        !(message.message == MessageKeyDown && (message.lParam & platform::ModAlt)))
        return false;
    if (message.message == MessageKeyDown && (message.lParam & platform::ModControl)) return false;
    const WindowsMainWindow* frame = frameWindow();
    const MenuTracker* bar = frame ? frame->menuTracker() : nullptr;
    return bar && message.wParam < 128 && std::isalnum(static_cast<unsigned char>(message.wParam)) &&
           bar->titleBears(static_cast<char>(message.wParam));
}

bool framesMenuOpen() {
    const WindowsMainWindow* frame = frameWindow();
    // The map's pop-up too: its Escape is its own, not that of a notice standing beside the battle.
    return frame && ((frame->menuTracker() && frame->menuTracker()->isOpen()) || frame->popupOpen());
}

} // namespace

Dialog::Dialog(const std::string& archiveName, const std::string& bitmapGroup,
               const std::string& backgroundName)
    : Window(Point(0, 0), InitialSize, ""), WindowsWindow(Point(0, 0), InitialSize, "", nullptr, nullptr),
      images_(PictureArchive::open(archiveName)), bitmapGroup_(bitmapGroup),
      backgroundName_(backgroundName.empty() ? "Background" : backgroundName) {}

Dialog::~Dialog() {
    if (open_) close(0);
    releaseAll();
    destroyWindow();
}

// Running.

std::int16_t Dialog::create(const std::string& resourceName, std::uint32_t mode, std::uint16_t autoDelete,
                            WindowHandle parent) {
    WinApp* app = winApp();
    std::optional<DialogTemplate> dialog = loadDialogTemplate(resourceName);
    Assertion::check(dialog.has_value(), "Dialog template not found: " + resourceName, __FILE__, __LINE__);
    if (!dialog || !app || open_ || mode > Pumped) return 0;
    adjustTemplate(*dialog);
    if (parent == 0) parent = WinApp::mainWindowHandle();
    open_ = 1;
    mode_ = mode;
    if (mode == Modeless) autoDelete_ = autoDelete;
    for (StaticText& t : convertTemplate(*dialog, DialogUnits::of(SystemAverageCharWidth, SystemAscent)))
        textTiles_.append(new TextTile(t.id, t.text, t.position, t.size));

    const DialogUnits units = DialogUnits::of(SystemAverageCharWidth, SystemAscent);
    // No template of ours comes near it, but a picture larger than any screen is never made.
    const Dim client(std::min<std::int16_t>(dialogPixels(dialog->cx, units.x), MaxClient),
                     std::min<std::int16_t>(dialogPixels(dialog->cy, units.y), MaxClient));
    position_ = Point(dialogPixels(dialog->x, units.x), dialogPixels(dialog->y, units.y));
    if (!captionFits(dialog->caption)) dialog->caption.clear();
    caption_ = dialog->caption;
    for (const DialogItem& it : dialog->items)
        items_.push_back(std::make_unique<DialogItemWindow>(
            *this, it,
            Box(dialogPixels(it.x, units.x), dialogPixels(it.y, units.y), dialogPixels(it.cx, units.x),
                dialogPixels(it.cy, units.y))));
    // A modal frame is a dialog frame, so a dialog without a caption still stands apart from what lies
    // under it.
    const std::uint32_t frame = (dialog->style & style::ModalFrame) ? style::DialogFrame : 0;
    // Shown once it is built, placed (most centre themselves as they begin) and painted: the player never
    // sees its frame empty where it was made.
    createUnpainted_ = true;
    WindowsWindow::create(client, ClassName, (dialog->style & ~style::Child) | frame, parent);
    createUnpainted_ = false;
    slid_ = 0;
    if (const WindowManager::Record* made = WindowManager::instance().find(hwnd_)) given_ = made->outer;
    if (hwnd_ && !offersCloseBox()) WindowManager::instance().setCloseBox(hwnd_, false);
    // The dialog that opens is the active window, and its caption says so.
    if (hwnd_) WindowManager::instance().setActive(hwnd_, true);
    if (auto* main = dynamic_cast<MainWindow*>(app->getMainWindow()); main && main->toolbar())
        main->toolbar()->dialogOpened();
    // A dialog opens over no menu: a pull-down left open would stand over it and keep the keys, Escape
    // first, that are the dialog's own.
    if (auto* frame = dynamic_cast<WindowsMainWindow*>(app->getMainWindow())) frame->closeMenus();
    initialise(client);
    // A dialog with a control to type into or press takes the keys from the view clicked last.
    if (focus_)
        if (auto* frame = dynamic_cast<WindowsMainWindow*>(app->getMainWindow())) frame->dropKeyWindow();
    if (!open_) return result_; // closed while it was being initialised
    // Where the template or the dialog itself put it, as far as the window holds it.
    placeInside();
    WindowManager::instance().showPainted(hwnd_);

    if (mode == Modeless || mode == Pumped) app->addModelessDialog(hwnd_);
    if (mode == Modeless) return 0;
    if (mode == Modal) {
        // The modal loop feeds the dialog from the application's queue; other windows see no input.
        const WindowHandle handle = hwnd_;
        app->addModelessDialog(handle);
        app->enterModal();
        while (open_) {
            if (!app->messageWaiting() && !app->waitMessage()) {
                close(0);
                break;
            }
            if (!app->pumpMessage()) close(0);
        }
        app->leaveModal();
        app->removeModelessDialog(handle);
        return result_;
    }
    while (open_) {
        if (!app->pumpMessage()) {
            close(0);
            return 0;
        }
        app->runOneTask();
        if (open_ && !app->messageWaiting() && app->queuedTasks() == 0 && !app->waitMessage()) {
            // Nothing will ever come again: the program is as good as stopped.
            close(0);
            return 0;
        }
    }
    return result_;
}

void Dialog::initialise(const Dim& client) {
    background_ = std::make_unique<Canvas>(client);
    const Picture picture =
        bitmapGroup_.empty() ? Picture() : images_->drawable(backgroundName_, bitmapGroup_);
    if (picture.exists() && picture.width() > 0 && picture.height() > 0) {
        for (std::int32_t x = 0; x < client.w; x += picture.width())
            for (std::int32_t y = 0; y < client.h; y += picture.height())
                background_->drawPicture(Point(static_cast<std::int16_t>(x + picture.hotSpot.x),
                                               static_cast<std::int16_t>(y + picture.hotSpot.y)),
                                         picture);
    } else {
        background_->fill(NoPictureColour);
    }
    for (auto& w : items_)
        wrapControl(*w);
    closeRadioGroup();
    Item<TextTile*>* t = nullptr;
    for (textTiles_.firstItem(t); t; t = t->next)
        t->value->setParent(this, placedAt(t->value->position(), t->value->size()));
    resizeBackBuffer(client);
    for (auto& w : items_)
        if (takesFocus(*w) && (w->style() & style::TabStop)) {
            focus_ = w.get();
            break;
        }
    onInitDialog();
    if (open_) redrawAll();
}

void Dialog::closeRadioGroup() {
    Item<DialogRadio*>* n = nullptr;
    for (pendingRadios_.firstItem(n); n; n = n->next)
        n->value->setGroup(pendingRadios_);
    pendingRadios_.clear();
}

void Dialog::wrapControl(DialogItemWindow& window) {
    const std::uint32_t s = window.style();
    if ((s & style::Group) && !pendingRadios_.isEmpty()) closeRadioGroup();
    const auto id = static_cast<std::int16_t>(window.id());
    DialogControl* made = nullptr;
    if (window.controlClass() == ClassStatic) {
        const std::string text = window.text();
        window.setText("");
        made = createLabelControl(id, window.handle(), text);
    } else if (window.controlClass() == ClassButton) {
        switch (s & style::ButtonTypeMask) {
        case style::PushButton:
            made = createImageButton(id, window.handle(), window.text());
            break;
        case style::DefPushButton:
            made = createDefaultButton(id, window.handle(), window.text());
            break;
        case style::CheckBox:
        case style::AutoCheckBox:
            made = createCheckBox(id, window.handle(), window.text());
            break;
        case style::RadioButton:
        case style::AutoRadioButton:
            made = createRadioButton(id, window.handle(), window.text());
            if (auto* radio = dynamic_cast<DialogRadio*>(made)) pendingRadios_.append(radio);
            break;
        default:
            return;
        }
        window.setStyle((s & ~style::ButtonTypeMask) | style::OwnerDraw);
    }
    controls_.erase(window.handle());
    if (made) controls_[window.handle()] = std::unique_ptr<DialogControl>(made);
}

void Dialog::close(std::int16_t value) {
    WinApp* app = winApp();
    open_ = 0;
    controls_.clear();
    if ((mode_ == Modeless || mode_ == Pumped) && app) app->removeModelessDialog(hwnd_);
    releaseAll();
    result_ = value;
    if (mode_ == Modal && getBus()) {
        dropAnswer(sendNowNamedEmpty(msg::ModalDialogBoxClosing));
    }
    background_.reset();
    const WindowManager::Record* record = WindowManager::instance().find(hwnd_);
    const WindowHandle parent = record ? record->parent : 0, was = hwnd_;
    destroyWindow();
    // A window hosting the dialog goes with it.
    if (app && parent && was)
        app->sendMessage({parent, MessageParentNotify, MessageNcDestroy, static_cast<std::intptr_t>(was)});
}

void Dialog::releaseAll() {
    Item<TextTile*>* t = nullptr;
    for (textTiles_.firstItem(t); t; t = t->next) {
        t->value->detachFromParent();
        delete t->value;
    }
    textTiles_.clear();
    controls_.clear();
    pendingRadios_.clear();
    focus_ = pressed_ = nullptr;
    items_.clear();
}

// Messages.

std::intptr_t Dialog::windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!open_) return WindowsWindow::windowProc(message, wParam, lParam);
    return dialogProc(message, wParam, lParam);
}

std::intptr_t Dialog::dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case MessagePaint:
        redrawAll();
        return 0;
    case MessageCommand: {
        const auto id = static_cast<std::uint16_t>(wParam & 0xFFFF);
        const auto code = static_cast<std::uint16_t>(wParam >> 16);
        if (DialogItemWindow* w = item(static_cast<std::int16_t>(id)))
            if (DialogControl* c = control(w->handle())) c->onNotify(code);
        if (open_) onCommand(id, code);
        return 0;
    }
    case MessageClose:
        if (!buttonsOnly_) command(IdCancel, 0);
        return 0;
    case MessageMouseMove:
    case MessageButtonDown:
    case MessageButtonUp:
    case MessageDoubleClick:
        if ((wParam & 0xFF) == platform::ButtonLeft || message == MessageMouseMove)
            mouse(message, pointOf(lParam));
        return 0;
    case MessageMouseWheel:
        wheel(static_cast<std::int32_t>(static_cast<std::intptr_t>(wParam)), pointOf(lParam));
        return 0;
    default:
        return WindowsWindow::windowProc(message, wParam, lParam);
    }
}

void Dialog::command(std::uint16_t id, std::uint16_t notification) {
    dialogProc(MessageCommand, std::uintptr_t(id) | std::uintptr_t(notification) << 16, 0);
}

void Dialog::onCommand(std::uint16_t id, std::uint16_t) {
    if (id == IdOk) {
        onAccept();
        if (open_) close(1);
    } else if (id == IdCancel) {
        close(0);
    }
}

bool Dialog::takeDialogMessage(const WindowMessage& message) {
    if (!open_ || !hwnd_) return false;
    const bool keys = message.message == MessageKeyDown || message.message == MessageSysKeyDown ||
                      message.message == MessageKeyUp || message.message == MessageChar;
    // While a question stands the keyboard is its own, though a dialog beside the game opened over it
    // since (a leader's notice while the computer gives his orders): that one takes no key, nor offers
    // one to the view clicked into.
    const WindowHandle question = keys && winApp() ? lastModalDialog(*winApp()) : 0;
    if (question && question != hwnd_) return false;
    // A dialog beside the game leaves an open pull-down its keys and clicks: Escape closes the menu
    // whatever dialog stands (a leader's notice while the computer gives his orders).
    if (menuBarLeft_ ? forMenuBar(message) : mode_ != Modal && framesMenuOpen()) return false;
    // Alt and a title's letter opens that title wherever the frame shows its bar, as the mouse does: a box
    // beside the game never stands between the player and the menus (a leader's notice, the prompt).
    if (mode_ == Modeless && !question && keys && titleLetter(message)) return false;
    // A dialog beside the game leaves the keys it would not take from him to the view the player clicked
    // into since it opened (the commentary, read back while a leader's notice stands).
    if (mode_ == Modeless && message.message == MessageKeyDown && !(message.lParam & platform::ModAlt))
        if (WindowsMainWindow* frame = frameWindow(); frame && frame->offerToKeyWindow(message)) return true;
    // Otherwise the keyboard belongs to the dialog opened last.
    if (WindowHandle last = 0;
        keys && !question && winApp() && winApp()->modelessDialogs().last(last) && last != hwnd_)
        return false;
    switch (message.message) {
    case MessageKeyDown:
    case MessageSysKeyDown:
        if (message.message == MessageSysKeyDown || (message.lParam & platform::ModAlt)) {
            const auto c = static_cast<char>(message.wParam);
            if (message.wParam < 128 && std::isalnum(static_cast<unsigned char>(c))) mnemonic(c);
            return true;
        }
        key(static_cast<std::int32_t>(message.wParam), static_cast<std::uint16_t>(message.lParam));
        return true;
    case MessageKeyUp:
        return true;
    case MessageChar:
        character(static_cast<std::uint32_t>(message.wParam));
        return true;
    case MessageMouseMove:
    case MessageButtonDown:
    case MessageButtonUp:
    case MessageDoubleClick:
    case MessageMouseWheel: {
        // A window that holds the capture takes the moves wherever the pointer goes, over a dialog too: it
        // alone can tell that the pointer has left it (the tool bar, to take its tip away).
        if (const WindowHandle held = WindowManager::instance().capture();
            message.message == MessageMouseMove && held && held != hwnd_ && !pressed_)
            return false;
        if (closeBoxInput(message)) return true;
        const platform::Rect client = WindowManager::instance().clientOnScreen(hwnd_);
        const Point p(static_cast<std::int16_t>(pointX(message.lParam) - client.x),
                      static_cast<std::int16_t>(pointY(message.lParam) - client.y));
        const bool onWindow =
            WindowManager::instance().windowAt(pointX(message.lParam), pointY(message.lParam)) == hwnd_;
        // The wheel over the caption is the wheel over the box: a box taller than the window shows its
        // caption first, and that is where the player's pointer rests when he turns it to see the foot.
        if (message.message == MessageMouseWheel && onWindow && !pressed_) {
            windowProc(message.message, message.wParam, packPoint(p.x, p.y));
            return true;
        }
        const bool inside = p.x >= 0 && p.y >= 0 && p.x < client.width && p.y < client.height && onWindow;
        if (inside || pressed_) {
            // Clicked into, the dialog has the keys again.
            if (inside && message.message == MessageButtonDown)
                if (WindowsMainWindow* frame = frameWindow()) frame->dropKeyWindow();
            windowProc(message.message, message.wParam, packPoint(p.x, p.y));
            return true;
        }
        // While a modal or pumped dialog is up the other windows take no clicks.
        return mode_ != Modeless && message.message != MessageMouseMove;
    }
    default:
        return false;
    }
}

bool Dialog::barsLeftToPlayer() {
    const WinApp* app = winApp();
    const WindowManager::Record* r = app ? WindowManager::instance().find(lastModalDialog(*app)) : nullptr;
    const auto* d = r ? dynamic_cast<const Dialog*>(r->window) : nullptr;
    return d && d->menuBarLeft_;
}

// Mouse and keys.

bool Dialog::forMenuBar(const WindowMessage& message) const {
    WindowsMainWindow* frame = frameWindow();
    const MenuTracker* menus = frame ? frame->menuTracker() : nullptr;
    if (!menus) return false;
    // An open pull-down takes every key and click, as it does with no dialog up.
    if (menus->isOpen()) return true;
    // The tool bar's buttons are the menus' commands: pressed there, and let go where they track a press.
    if (frame->toolbarInput(message.message, pointX(message.lParam), pointY(message.lParam))) return true;
    switch (message.message) {
    case MessageButtonDown: {
        const WindowManager& manager = WindowManager::instance();
        const platform::Rect outer = manager.outerOnScreen(frame->hwnd());
        const std::int32_t x = pointX(message.lParam), y = pointY(message.lParam);
        return y >= outer.y && y < outer.y + MenuTracker::BarHeight &&
               manager.windowAt(x, y) == frame->hwnd();
    }
    case MessageSysKeyDown:
    case MessageKeyDown: {
        // Alt and a letter that no control of the dialog answers to opens the title of that letter.
        if (message.message == MessageKeyDown && !(message.lParam & platform::ModAlt)) return false;
        if (message.wParam >= 128 || !std::isalnum(static_cast<unsigned char>(message.wParam))) return false;
        const char wanted = static_cast<char>(std::toupper(static_cast<int>(message.wParam)));
        for (const auto& w : items_)
            if (const DialogControl* c = control(w->handle());
                c && w->isVisible() && w->isEnabled() && mnemonicOf(c->label()) == wanted)
                return false;
        Item<TextTile*>* t = nullptr;
        for (textTiles_.firstItem(t); t; t = t->next)
            if (mnemonicOf(t->value->text()) == wanted && labelledBy(*t->value)) return false;
        return true;
    }
    default:
        return false;
    }
}

bool Dialog::closeBoxInput(const WindowMessage& message) {
    const WindowManager& manager = WindowManager::instance();
    const std::int32_t x = pointX(message.lParam), y = pointY(message.lParam);
    const platform::Rect box = manager.closeBoxOnScreen(hwnd_);
    const bool onBox = !isEmpty(intersection(box, {x, y, 1, 1})) && manager.windowAt(x, y) == hwnd_;
    const bool left = (message.wParam & 0xFF) == platform::ButtonLeft;
    if (!closeBoxPressed_) {
        if (!onBox || !left || pressed_ ||
            (message.message != MessageButtonDown && message.message != MessageDoubleClick))
            return false;
        closeBoxPressed_ = true;
        return true;
    }
    // As with a button, the release on the box is what counts.
    if (message.message != MessageButtonUp || !left) return true;
    closeBoxPressed_ = false;
    if (onBox) closeBoxClicked();
    return true;
}

DialogItemWindow* Dialog::wayBack() const {
    // The button that takes the dialog back: Cancel (or No), or Close.
    for (const auto& w : items_) {
        if (w->controlClass() != ClassButton || !w->isVisible()) continue;
        const DialogControl* c = control(w->handle());
        std::string label = c ? c->label() : w->text();
        std::erase(label, '&');
        if (w->id() == IdCancel || label == "Close" || label == "Cancel") return w.get();
    }
    return nullptr;
}

bool Dialog::holdsChoice() const {
    for (const auto& w : items_) {
        const std::uint16_t kind = w->controlClass();
        if (kind == ClassEdit || kind == ClassListBox || kind == ClassComboBox) return true;
        if (kind == ClassButton &&
            (w->buttonType() == style::RadioButton || w->buttonType() == style::AutoRadioButton))
            return true;
    }
    return false;
}

bool Dialog::offersCloseBox() const {
    // A box that holds the game until its choice is made, with no way back, has nothing the close box could
    // do but make the choice for the player or throw it away: it offers none, and is answered by its
    // buttons.
    if (buttonsOnly_) return false;
    return mode_ != Modal || wayBack() || (windowStyle() & style::SystemMenu) || !holdsChoice();
}

void Dialog::closeBoxClicked() {
    // Cancel or Close; a greyed one leaves the dialog open.
    if (DialogItemWindow* back = wayBack()) {
        if (back->isEnabled()) command(back->id(), ButtonClicked);
        return;
    }
    // Without one, a dialog with a system menu is closed as Escape closes it.
    if (windowStyle() & style::SystemMenu) return command(IdCancel, ButtonClicked);
    // A box beside the game is put away with nothing done: what its buttons would do stays the player's
    // (the leader goes on giving orders under a closed Finish Leader), and the game shows it again when it
    // is needed.
    if (mode_ != Modal) return close(0);
    // Any other says something and asks nothing (a choice offers no close box): it goes on as Return
    // would take it on, by its default button.
    for (const auto& w : items_)
        if (w->controlClass() == ClassButton && w->buttonType() == style::DefPushButton && w->isVisible()) {
            if (w->isEnabled()) command(w->id(), ButtonClicked);
            return;
        }
    command(IdOk, ButtonClicked);
}

DialogItemWindow* Dialog::itemAt(const Point& at) const {
    for (const auto& w : items_)
        if (w->isDropped() && w->contains(at)) return w.get();
    for (const auto& w : items_)
        if (w->isVisible() && w->contains(at)) return w.get();
    return nullptr;
}

void Dialog::mouse(std::uint32_t message, const Point& at) {
    DialogItemWindow* under = itemAt(at);
    if (message == MessageMouseMove) {
        if (pressed_ && pressed_->controlClass() == ClassScrollBar) {
            const std::int32_t before = pressed_->position();
            pressed_->setPosition(pressed_->positionAt(alongBar(*pressed_, at) - thumbGrab_));
            if (pressed_->position() != before) drawItem(*pressed_);
            return;
        }
        if (pressed_ && (under == pressed_) != pressedInside_) {
            pressedInside_ = under == pressed_;
            drawItem(*pressed_);
        }
        pointAtRow(pressed_ ? nullptr : under, at);
        return;
    }
    if (message == MessageButtonUp) {
        DialogItemWindow* was = pressed_;
        pressed_ = nullptr;
        if (was && was->controlClass() != ClassScrollBar) {
            drawItem(*was);
            if (under == was) command(was->id(), ButtonClicked);
        }
        return;
    }
    // A click anywhere else closes a dropped list.
    for (auto& w : items_)
        if (w->isDropped() && w.get() != under) {
            w->drop(false);
            redrawAll();
        }
    if (!under || !under->isEnabled()) return;
    if (takesFocus(*under)) setFocus(under);
    const std::int16_t rowY = static_cast<std::int16_t>(at.y - under->box().y - 1);
    switch (under->controlClass()) {
    case ClassButton:
        if (isOwnerDrawn(*under)) {
            pressed_ = under;
            pressedInside_ = true;
            drawItem(*under);
        }
        break;
    case ClassListBox: {
        if (const Box track = under->scrollTrack(); under->showsScrollBar() && at.x >= track.x) {
            under->clickScrollBar(at.y);
            drawItem(*under);
            break;
        }
        const std::int32_t row = under->topRow() + rowY / DialogItemWindow::RowHeight;
        if (rowY < 0 || !under->row(row)) break;
        const bool changed = under->selection() != row;
        under->select(row);
        drawItem(*under);
        if (under->style() & style::ListNotify) {
            if (changed) command(under->id(), ListSelectionChanged);
            if (message == MessageDoubleClick) command(under->id(), ListDoubleClicked);
        }
        break;
    }
    case ClassComboBox: {
        const std::int16_t listY = static_cast<std::int16_t>(rowY - DialogItemWindow::RowHeight - 2);
        if (under->isDropped() && listY >= 0) {
            const std::int32_t row = under->topRow() + listY / DialogItemWindow::RowHeight;
            under->drop(false);
            if (under->row(row) && under->selection() != row) {
                under->select(row);
                command(under->id(), ComboSelectionChanged);
            }
        } else {
            under->drop(!under->isDropped());
        }
        redrawAll();
        break;
    }
    case ClassEdit:
        if (under->isMultiline()) {
            // Its rows are read and scrolled, not edited where clicked.
            if (const Box track = under->scrollTrack(); under->showsScrollBar() && at.x >= track.x) {
                under->clickScrollBar(at.y);
                drawItem(*under);
            }
            break;
        }
        // The text starts 4 pixels in: 2 of the frame's inset and 2 of margin.
        under->moveCaret(
            systemTextPlace(under->text(), at.x - under->box().x - 4 + under->textScrolled(), false), false);
        drawItem(*under);
        break;
    case ClassScrollBar: {
        // The arrows step once; the track steps toward the pointer; the thumb is taken to be dragged.
        const bool vertical = under->style() & style::ScrollVertical;
        const std::int32_t along = alongBar(*under, at);
        const std::int32_t length = vertical ? under->box().h : under->box().w;
        const Box thumb = under->barThumb();
        const std::int32_t thumbStart = vertical ? thumb.y - under->box().y : thumb.x - under->box().x;
        const std::int32_t thumbLength = vertical ? thumb.h : thumb.w;
        if (along < under->arrowLength() || along >= length - under->arrowLength()) {
            under->setPosition(under->position() + (along < length / 2 ? -1 : 1));
        } else if (along < thumbStart) {
            under->setPosition(under->position() - 1);
        } else if (along >= thumbStart + thumbLength) {
            under->setPosition(under->position() + 1);
        } else {
            pressed_ = under;
            pressedInside_ = true;
            thumbGrab_ = along - thumbStart;
        }
        drawItem(*under);
        break;
    }
    default:
        break;
    }
}

void Dialog::wheel(std::int32_t notches, const Point& at) {
    DialogItemWindow* under = itemAt(at);
    if (notches == 0) return;
    if (under && !under->isEnabled()) under = nullptr;
    // An edit of many rows (a conversation) scrolls its rows as a list does.
    // What stands at its end under the wheel leaves it to the box, which a box taller than the window
    // slides by.
    if (under && (under->controlClass() == ClassListBox || under->isMultiline() ||
                  (under->controlClass() == ClassComboBox && under->isDropped()))) {
        const std::int32_t was = under->topRow();
        under->scrollRows(-notches * WheelRows);
        if (under->topRow() == was) return static_cast<void>(slide(notches));
        drawItem(*under);
        pointAtRow(under, at); // another row lies under the pointer now
    } else if (under && under->controlClass() == ClassScrollBar) {
        const std::int32_t was = under->position();
        under->setPosition(under->position() - notches);
        if (under->position() == was) return static_cast<void>(slide(notches));
        drawItem(*under);
    } else {
        slide(notches);
    }
}

std::int32_t Dialog::alongBar(const DialogItemWindow& bar, const Point& at) {
    return (bar.style() & style::ScrollVertical) ? at.y - bar.box().y : at.x - bar.box().x;
}

void Dialog::setFocus(DialogItemWindow* item) {
    if (item == focus_) return;
    DialogItemWindow* was = focus_;
    const std::uint16_t defaultWas = defaultButton();
    focus_ = item;
    if (was) drawItem(*was);
    if (item) drawItem(*item);
    redrawDefault(defaultWas);
}

void Dialog::redrawDefault(std::uint16_t before) {
    // The frame leaves the button that lost it and comes back to the template's default.
    const std::uint16_t now = defaultButton();
    if (now == before) return;
    for (std::uint16_t id : {before, now})
        if (DialogItemWindow* w = item(static_cast<std::int16_t>(id)); w && w != focus_) drawItem(*w);
}

void Dialog::moveFocus(bool backwards) {
    std::vector<DialogItemWindow*> stops;
    for (auto& w : items_) {
        if (!takesFocus(*w)) continue;
        // A radio group is one stop: its checked member, or its first.
        if (auto* radio = dynamic_cast<DialogRadio*>(control(w->handle()))) {
            const List<DialogRadio*>& group = radio->radioGroup();
            DialogRadio* first = nullptr;
            group.first(first);
            const bool checkedOne = radio->getCheck() != 0;
            const bool anyChecked = group.count() && [&] {
                Item<DialogRadio*>* n = nullptr;
                for (group.firstItem(n); n; n = n->next)
                    if (n->value->getCheck()) return true;
                return false;
            }();
            if (checkedOne || (!anyChecked && (first == radio || !first))) stops.push_back(w.get());
            continue;
        }
        if (w->style() & style::TabStop) stops.push_back(w.get());
    }
    if (stops.empty()) return;
    auto at = std::find(stops.begin(), stops.end(), focus_);
    std::size_t i = at == stops.end() ? (backwards ? stops.size() - 1 : 0)
                    : backwards
                        ? (static_cast<std::size_t>(at - stops.begin()) + stops.size() - 1) % stops.size()
                        : (static_cast<std::size_t>(at - stops.begin()) + 1) % stops.size();
    setFocus(stops[i]);
}

void Dialog::moveInRadioGroup(std::int32_t step) {
    auto* radio = focus_ ? dynamic_cast<DialogRadio*>(control(focus_->handle())) : nullptr;
    if (!radio) return;
    std::vector<DialogRadio*> members;
    Item<DialogRadio*>* n = nullptr;
    for (radio->radioGroup().firstItem(n); n; n = n->next)
        members.push_back(n->value);
    auto at = std::find(members.begin(), members.end(), radio);
    if (members.empty() || at == members.end()) return;
    const auto count = static_cast<std::int32_t>(members.size());
    const std::int32_t next = ((at - members.begin()) + step % count + count) % count;
    DialogItemWindow* target = itemOf(members[static_cast<std::size_t>(next)]->controlWindow());
    if (!target) return;
    setFocus(target);
    command(target->id(), ButtonClicked);
}

bool Dialog::isPushButton(const DialogControl* c) {
    return dynamic_cast<const DialogButton*>(c) && !dynamic_cast<const DialogCheck*>(c) &&
           !dynamic_cast<const DialogRadio*>(c);
}

std::uint16_t Dialog::defaultButton() const {
    if (focus_ && isOwnerDrawn(*focus_) && isPushButton(control(focus_->handle()))) return focus_->id();
    for (const auto& w : items_)
        if (w->controlClass() == ClassButton && w->buttonType() == style::DefPushButton && w->isVisible() &&
            w->isEnabled())
            return w->id();
    return IdOk;
}

void Dialog::key(std::int32_t k, std::uint16_t modifiers) {
    const bool shift = modifiers & platform::ModShift;
    DialogItemWindow* f = focus_;
    switch (k) {
    case platform::KeyTab:
        moveFocus(shift);
        return;
    case platform::KeyReturn: {
        if (f && f->controlClass() == ClassComboBox && f->isDropped()) {
            f->drop(false);
            redrawAll();
            return;
        }
        const std::uint16_t id = defaultButton();
        DialogItemWindow* w = item(static_cast<std::int16_t>(id));
        if (!w || w->isEnabled()) command(id, ButtonClicked);
        return;
    }
    case platform::KeyEscape:
        if (f && f->controlClass() == ClassComboBox && f->isDropped()) {
            f->drop(false);
            redrawAll();
            return;
        }
        if (!buttonsOnly_) command(IdCancel, ButtonClicked);
        return;
    default:
        break;
    }
    if (!f) return;
    if (isOwnerDrawn(*f)) {
        if (k == platform::KeySpace) command(f->id(), ButtonClicked);
        if (k == platform::KeyUp || k == platform::KeyLeft) moveInRadioGroup(-1);
        if (k == platform::KeyDown || k == platform::KeyRight) moveInRadioGroup(1);
        return;
    }
    if (f->controlClass() == ClassListBox || f->controlClass() == ClassComboBox) {
        std::int32_t to = f->selection();
        if (k == platform::KeyUp)
            to = to <= 0 ? 0 : to - 1;
        else if (k == platform::KeyDown)
            to = to < 0 ? 0 : std::min(to + 1, f->rowCount() - 1);
        else if (k == platform::KeyHome)
            to = 0;
        else if (k == platform::KeyEnd)
            to = f->rowCount() - 1;
        else
            return;
        if (to < 0 || to == f->selection()) return;
        f->select(to);
        drawItem(*f);
        if (f->controlClass() == ClassComboBox || (f->style() & style::ListNotify))
            command(f->id(),
                    f->controlClass() == ClassComboBox ? ComboSelectionChanged : ListSelectionChanged);
        return;
    }
    if (f->isMultiline()) {
        // The keys scroll its rows: a row, a page, or to either end.
        const std::int32_t page = f->visibleRows(), all = f->rowCount();
        const std::int32_t by = k == platform::KeyUp         ? -1
                                : k == platform::KeyDown     ? 1
                                : k == platform::KeyPageUp   ? -page
                                : k == platform::KeyPageDown ? page
                                : k == platform::KeyHome     ? -all
                                : k == platform::KeyEnd      ? all
                                                             : 0;
        if (by == 0) return;
        f->scrollRows(by);
        drawItem(*f);
        return;
    }
    if (f->controlClass() == ClassEdit) {
        const auto end = static_cast<std::int32_t>(f->text().size());
        bool changed = false;
        switch (k) {
        case platform::KeyLeft:
            f->stepCaret(false, shift);
            break;
        case platform::KeyRight:
            f->stepCaret(true, shift);
            break;
        case platform::KeyHome:
            f->moveCaret(0, shift);
            break;
        case platform::KeyEnd:
            f->moveCaret(end, shift);
            break;
        case platform::KeyBackspace:
            changed = f->erase(true);
            break;
        case platform::KeyDelete:
            changed = f->erase(false);
            break;
        default:
            return;
        }
        drawItem(*f);
        if (changed) {
            command(f->id(), EditUpdated);
            command(f->id(), EditChanged);
        }
    }
}

void Dialog::character(std::uint32_t code) {
    DialogItemWindow* f = focus_;
    if (f && f->controlClass() == ClassEdit && f->isEnabled()) {
        // Backspace, tab, return and escape come as keys.
        if (code < 32) return;
        if (f->type(code)) {
            drawItem(*f);
            command(f->id(), EditUpdated);
            command(f->id(), EditChanged);
        }
        return;
    }
    // The mnemonics are the templates' letters and digits.
    if (code != ' ' && code < 128) mnemonic(static_cast<char>(code));
}

DialogItemWindow* Dialog::labelledBy(const TextTile& label) const {
    // The field on the label's row to its right, the nearest. The template's order, which would name the
    // control after the label, is not kept: its texts are taken out of the items.
    const Point at = label.position();
    const Dim size = label.size();
    DialogItemWindow* beside = nullptr;
    for (const auto& w : items_) {
        const Box b = w->box();
        if (!takesFocus(*w) || b.x < at.x + size.w || b.y >= at.y + size.h || at.y >= b.y + b.h) continue;
        if (!beside || b.x < beside->box().x) beside = w.get();
    }
    return beside;
}

bool Dialog::mnemonic(char c) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Every control that bears the letter, as what it reaches: a button itself, a label the field it names;
    // in the order of the template's items.
    std::vector<std::size_t> reached;
    const auto reach = [&](const DialogItemWindow* w) {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == w && std::find(reached.begin(), reached.end(), i) == reached.end())
                reached.push_back(i);
    };
    for (const auto& w : items_)
        if (const DialogControl* ctl = control(w->handle());
            ctl && w->isVisible() && w->isEnabled() && mnemonicOf(ctl->label()) == wanted)
            reach(w.get());
    Item<TextTile*>* t = nullptr;
    for (textTiles_.firstItem(t); t; t = t->next)
        if (mnemonicOf(t->value->text()) == wanted) reach(labelledBy(*t->value));
    if (reached.empty()) return false;
    std::sort(reached.begin(), reached.end());
    if (reached.size() == 1) {
        DialogItemWindow* w = items_[reached.front()].get();
        setFocus(w);
        if (w->controlClass() == ClassButton) command(w->id(), ButtonClicked);
        return true;
    }
    // A letter shared in one dialog chooses nothing: it takes the focus on to the next control bearing it
    // after the one that has it, round to the first.
    std::size_t from = items_.size();
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == focus_) from = i;
    const auto next = std::find_if(reached.begin(), reached.end(),
                                   [&](std::size_t i) { return from < items_.size() && i > from; });
    setFocus(items_[next == reached.end() ? reached.front() : *next].get());
    return true;
}

// Drawing.

void Dialog::drawBackground() {
    if (background_) drawWholeBitmap(Point(0, 0), background_->surface());
}

std::uint16_t Dialog::itemState(const DialogItemWindow& w) const {
    std::uint16_t state = 0;
    if (!w.isEnabled()) state |= ItemDisabled;
    if (pressed_ == &w && pressedInside_) state |= ItemSelected;
    if (focus_ == &w) state |= ItemFocus;
    return state;
}

void Dialog::paintItem(DialogItemWindow& w) {
    if (!background_ || !w.isVisible()) return;
    const Box b = w.shownBox();
    drawBitmap(Point(b.x, b.y), background_->surface(), b);
    DialogControl* c = control(w.handle());
    if (!c) {
        w.draw(*this, focus_ == &w);
        return;
    }
    ItemView view(*this, b);
    // The double frame marks the button that Return presses, which follows the focus onto a push button.
    if (isPushButton(c) && w.id() == defaultButton()) {
        view.frameRect(Box(0, 0, view.width(), view.height()), 0, 0, 0);
        view.frameRect(Box(1, 1, static_cast<std::int16_t>(view.width() - 2),
                           static_cast<std::int16_t>(view.height() - 2)),
                       0, 0, 0);
    }
    c->draw(view, itemState(w));
    markDirty(view.box());
}

void Dialog::drawItem(DialogItemWindow& w) {
    if (!open_ || !hwnd_) return;
    paintItem(w);
    paintTip();
    update();
}

void Dialog::pointAtRow(DialogItemWindow* under, const Point& at) {
    std::string text;
    Box row;
    if (under && under->controlClass() == ClassListBox && under->isVisible() &&
        !(under->showsScrollBar() && at.x >= under->scrollTrack().x) && at.y > under->box().y) {
        const std::int32_t index =
            under->topRow() + (at.y - under->box().y - 1) / DialogItemWindow::RowHeight;
        if (index < under->topRow() + under->visibleRows() && under->rowCut(index)) {
            text = under->row(index)->text;
            row = Box(under->box().x,
                      static_cast<std::int16_t>(under->box().y + 1 +
                                                (index - under->topRow()) * DialogItemWindow::RowHeight),
                      under->box().w, DialogItemWindow::RowHeight);
        }
    }
    if (text == tipText_ && row.y == tipRow_.y) return;
    tipText_ = text;
    tipRow_ = row;
    tipRows_.clear();
    tipBox_ = Box();
    if (!text.empty()) {
        // As wide as the longest of its rows, and never wider than the dialog less 4 pixels each side.
        const std::int32_t most = width() - 8 - 2 * 3;
        const TextMeasure measure = [](const std::string& s) { return systemTextWidth(s, false); };
        tipRows_ = wrapText(text, most, measure);
        std::int32_t w = 0;
        for (const std::string& r : tipRows_)
            w = std::max(w, measure(r));
        w += 2 * 3;
        const std::int32_t h = static_cast<std::int32_t>(tipRows_.size()) * DialogItemWindow::RowHeight + 2;
        const std::int32_t x = std::clamp<std::int32_t>(row.x, 4, std::max(4, width() - 4 - w));
        std::int32_t y = row.y + row.h + 1;
        if (y + h > height()) y = std::max(0, row.y - 1 - h);
        tipBox_ = Box(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::int16_t>(w), static_cast<std::int16_t>(h));
    }
    redrawAll();
}

void Dialog::paintTip() {
    if (tipText_.empty()) return;
    fillRect(tipBox_, 255, 255, 225);
    frameRect(tipBox_, 0, 0, 0);
    const std::uint8_t ink = Display::matchColour(0, 0, 0);
    for (std::size_t i = 0; i < tipRows_.size(); ++i)
        writeSystemText(*this, tipBox_,
                        Point(static_cast<std::int16_t>(tipBox_.x + 3),
                              static_cast<std::int16_t>(tipBox_.y + 1 + i * DialogItemWindow::RowHeight)),
                        tipRows_[i], ink, false);
    markDirty(tipBox_);
}

void Dialog::redrawAll() {
    if (!open_ || !hwnd_ || !background_) return;
    drawBackground();
    Item<TextTile*>* t = nullptr;
    for (textTiles_.firstItem(t); t; t = t->next)
        t->value->draw();
    for (auto& w : items_)
        if (!w->isDropped()) paintItem(*w);
    for (auto& w : items_)
        if (w->isDropped()) paintItem(*w);
    paintTip();
    addDirtyBox(Box(0, 0, width(), height()));
    update();
}

// Items.

DialogItemWindow* Dialog::item(std::int16_t id) const {
    for (const auto& w : items_)
        if (static_cast<std::int16_t>(w->id()) == id) return w.get();
    return nullptr;
}

DialogItemWindow* Dialog::itemOf(WindowHandle handle) const {
    for (const auto& w : items_)
        if (w->handle() == handle) return w.get();
    return nullptr;
}

DialogControl* Dialog::control(WindowHandle window) const {
    const auto found = controls_.find(window);
    return found == controls_.end() ? nullptr : found->second.get();
}

DialogControl* Dialog::controlOf(std::int16_t id) const {
    DialogItemWindow* w = item(id);
    return w ? control(w->handle()) : nullptr;
}

TextTile* Dialog::textTile(std::int16_t id) const {
    Item<TextTile*>* t = nullptr;
    for (textTiles_.firstItem(t); t; t = t->next)
        if (t->value->id() == id) return t->value;
    return nullptr;
}

void Dialog::enableItem(std::int16_t id, std::int16_t flag) {
    DialogItemWindow* w = item(id);
    if (!w) return;
    const std::uint16_t defaultWas = defaultButton();
    w->enable(flag != 0);
    if (!flag && focus_ == w) focus_ = nullptr;
    if (!flag && pressed_ == w) pressed_ = nullptr;
    drawItem(*w);
    redrawDefault(defaultWas);
}

void Dialog::showItem(std::int16_t id, bool show) {
    DialogItemWindow* w = item(id);
    if (!w) return;
    w->show(show);
    if (!show && focus_ == w) focus_ = nullptr;
    redrawAll();
}

std::string Dialog::comboSelectionText(std::int16_t id, std::int32_t index) {
    DialogItemWindow* w = item(id);
    if (!w) return {};
    const DialogItemWindow::Row* r = w->row(index == -1 ? w->selection() : index);
    return r ? r->text : std::string();
}

std::string Dialog::listSelectionText(std::int16_t id, std::int32_t index) {
    return comboSelectionText(id, index);
}

std::int32_t Dialog::listSelectionIndex(std::int16_t id) {
    DialogItemWindow* w = item(id);
    return w ? w->selection() : DialogItemWindow::NoRow;
}

void Dialog::selectRadio(std::int16_t id, std::int16_t position) {
    if (auto* radio = dynamic_cast<DialogRadio*>(controlOf(id))) radio->select(position);
}

std::int16_t Dialog::radioSelection(std::int16_t id) {
    auto* radio = dynamic_cast<DialogRadio*>(controlOf(id));
    return radio ? radio->selectedIndex() : -1;
}

std::string Dialog::getItemText(std::int16_t id) {
    if (TextTile* t = textTile(id)) return t->text();
    DialogItemWindow* w = item(id);
    if (!w) return {};
    if (DialogControl* c = control(w->handle())) return c->label();
    return w->text();
}

void Dialog::setItemText(std::int16_t id, const std::string& text) {
    if (TextTile* t = textTile(id)) {
        t->setText(text);
        if (!background_ || !hwnd_) return;
        const Box b(t->x(), t->y(), t->width(), t->height());
        drawBitmap(Point(b.x, b.y), background_->surface(), b);
        t->draw();
        update();
        return;
    }
    DialogItemWindow* w = item(id);
    if (!w) return;
    if (DialogControl* c = control(w->handle()))
        c->setLabel(text);
    else
        w->setText(text);
    drawItem(*w);
}

void Dialog::centre() {
    const WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* me = manager.find(hwnd_);
    if (!me) return;
    const std::int32_t w = me->outer.width, h = me->outer.height;
    std::int32_t areaW = 0, areaH = 0;
    const WindowManager::Record* main = manager.find(WinApp::mainWindowHandle());
    if (main && !main->iconic) {
        areaW = main->outer.width, areaH = main->outer.height;
    } else {
        // The screen is what the lowest top-level window covers.
        const std::vector<WindowHandle> top = manager.childrenOf(0);
        if (!top.empty()) {
            const platform::Rect screen = manager.outerOnScreen(top.front());
            areaW = screen.width, areaH = screen.height;
        }
    }
    // The place is in the parent's client coordinates, which for a child of the frame start at its client
    // area.
    platform::Rect box{areaW / 2 - w / 2, areaH / 2 - h / 2, w, h};
    if (me->parent) {
        const platform::Rect parentClient = manager.clientOnScreen(me->parent);
        const platform::Rect parentOuter = manager.outerOnScreen(me->parent);
        box.x -= parentClient.x - parentOuter.x;
        box.y -= parentClient.y - parentOuter.y;
    }
    centring_ = true;
    setWindowPos(box, WindowPos::NoZOrder);
    centring_ = false;
    const std::optional<platform::Rect> area = keptArea();
    recentre_ = area && !(keptInside(box, *area) == box);
}

// Keeping inside the window.

platform::Rect Dialog::keptInside(const platform::Rect& box, const platform::Rect& area) {
    platform::Rect in = box;
    in.x = box.width <= area.width ? std::clamp(box.x, area.x, area.x + area.width - box.width) : area.x;
    in.y = box.height <= area.height ? std::clamp(box.y, area.y, area.y + area.height - box.height) : area.y;
    return in;
}

std::optional<platform::Rect> Dialog::keptArea() const {
    const WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* me = manager.find(hwnd_);
    if (!me || !me->parent) return std::nullopt;
    const WindowManager::Record* parent = manager.find(me->parent);
    if (!parent || parent->parent) return std::nullopt;
    const platform::Rect client = manager.clientOnScreen(me->parent);
    if (isEmpty(client)) return std::nullopt;
    // A box that leaves the frame's bars to the player (the start dialog) leaves him the tool bar in sight
    // too, where the window has room for both.
    if (const WindowsMainWindow* frame = frameWindow();
        menuBarLeft_ && frame && frame->hwnd() == me->parent && frame->toolbar()) {
        const std::int32_t bar = frame->toolbar()->barHeight();
        if (me->outer.height <= client.height - bar) return platform::Rect{0, bar, client.width, client.height - bar};
    }
    return platform::Rect{0, 0, client.width, client.height};
}

void Dialog::windowPosChanging(WindowPos& pos) {
    const bool iconise = pos.flags == WindowPos::Iconise || pos.flags == WindowPos::IconiseKeepOrder;
    if (!iconise) {
        if (!(pos.flags & WindowPos::NoMove)) {
            given_.x = pos.box.x, given_.y = pos.box.y;
            slid_ = 0;
            if (!centring_) recentre_ = false;
        }
        given_.width = pos.box.width, given_.height = pos.box.height;
        if (const std::optional<platform::Rect> area = keptArea()) {
            const platform::Rect in = shownIn(*area);
            pos.box.x = in.x, pos.box.y = in.y;
        }
    }
    WindowsWindow::windowPosChanging(pos);
    if (!iconise) position_ = Point(static_cast<std::int16_t>(pos.box.x), static_cast<std::int16_t>(pos.box.y));
}

platform::Rect Dialog::shownIn(const platform::Rect& area) {
    platform::Rect box = keptInside(given_, area);
    slid_ = std::clamp(slid_, 0, std::max(0, box.height - area.height));
    box.y -= slid_;
    return box;
}

platform::Rect Dialog::givenPlace() const {
    const WindowManager::Record* me = WindowManager::instance().find(hwnd_);
    if (!me) return given_;
    platform::Rect shown{given_.x, given_.y, me->outer.width, me->outer.height};
    if (const std::optional<platform::Rect> area = keptArea()) {
        shown = keptInside(shown, *area);
        shown.y -= slid_;
    }
    return shown == me->outer ? platform::Rect{given_.x, given_.y, me->outer.width, me->outer.height}
                              : me->outer;
}

platform::Rect Dialog::draggedTo(const platform::Rect& proposed, const platform::Rect& area) const {
    return keptArea() ? keptInside(proposed, area) : WindowsWindow::draggedTo(proposed, area);
}

void Dialog::placeInside() {
    WindowManager& manager = WindowManager::instance();
    const WindowManager::Record* me = manager.find(hwnd_);
    const std::optional<platform::Rect> area = keptArea();
    if (!me || !area || me->iconic) return;
    given_.width = me->outer.width, given_.height = me->outer.height;
    const platform::Rect box = shownIn(*area);
    position_ = Point(static_cast<std::int16_t>(box.x), static_cast<std::int16_t>(box.y));
    manager.setOuter(hwnd_, box);
}

void Dialog::parentResized() {
    WindowsWindow::parentResized();
    if (!open_) return;
    // Centred where it did not fit, it is centred again once the window holds it; one the player slid with
    // the wheel stays as he left it.
    const WindowManager::Record* me = WindowManager::instance().find(hwnd_);
    const std::optional<platform::Rect> area = keptArea();
    if (recentre_ && slid_ == 0 && me && area && me->outer.width <= area->width &&
        me->outer.height <= area->height)
        centre();
    else
        placeInside();
}

bool Dialog::slide(std::int32_t notches) {
    const WindowManager::Record* me = WindowManager::instance().find(hwnd_);
    const std::optional<platform::Rect> area = keptArea();
    if (!me || !area) return false;
    const std::int32_t most = std::max(0, me->outer.height - area->height);
    const std::int32_t to = std::clamp(slid_ - notches * WheelRows * DialogItemWindow::RowHeight, 0, most);
    if (to == slid_) return false;
    slid_ = to;
    placeInside();
    return true;
}

// The controls the dialog makes.

DialogControl* Dialog::createLabelControl(std::int16_t, WindowHandle window, const std::string& label) {
    return new DialogControl(window, label, Point(0, DialogControl::Centred), DialogControl::ArchiveName);
}

DialogControl* Dialog::createDefaultButton(std::int16_t, WindowHandle window, const std::string& label) {
    return new DialogButton(window, label, Point(DialogControl::Centred, DialogControl::Centred),
                            DialogControl::ArchiveName, 1);
}

DialogControl* Dialog::createImageButton(std::int16_t, WindowHandle window, const std::string& label) {
    return new DialogButton(window, label, Point(DialogControl::Centred, DialogControl::Centred),
                            DialogControl::ArchiveName, 0);
}

DialogControl* Dialog::createRadioButton(std::int16_t, WindowHandle window, const std::string& label) {
    return new DialogRadio(window, label, DialogControl::ArchiveName);
}

DialogControl* Dialog::createCheckBox(std::int16_t, WindowHandle window, const std::string& label) {
    return new DialogCheck(window, label, DialogControl::ArchiveName, 0);
}

} // namespace vael
