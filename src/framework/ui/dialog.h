#pragma once
// The framework's dialog box: a window of our window manager built from a dialog template, whose face
// the framework draws. The client area is the window's picture, filled with a background picture tiled
// from an image archive; the template's static texts become text tiles; push buttons, check boxes and
// radio buttons become owner-drawn controls with pictures of "DialogButtons"; edit fields, list boxes,
// combo boxes and scroll bars are the window manager's own controls.
//
// A dialog runs modal (create returns once it closes), modeless (create returns at once and the
// application's loop feeds it) or pumped (create runs the application's nested pump and its tasks until
// the dialog closes). Whoever made the dialog owns it and deletes it; deleting an open dialog closes it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/text_tile.h"
#include "framework/ui/window_manager.h"
#include "framework/ui/windows_window.h"

namespace vael {

class Dialog : public WindowsWindow, public DialogItemOwner {
public:
    enum Mode : std::uint32_t { Modal = 0, Modeless = 1, Pumped = 2 };
    static constexpr std::uint16_t IdOk = 1, IdCancel = 2;
    // The system font of dialogs has fixed metrics: a template unit is 1.75 by 1.625 pixels everywhere.
    static constexpr std::int32_t SystemAverageCharWidth = 8, SystemAscent = 16;
    static constexpr const char* ClassName = "OstrellDialog";
    static constexpr std::uint8_t NoPictureColour = 255;
    static constexpr std::int16_t MaxClient = 4096;
    // The rows a list scrolls by a notch of the mouse wheel.
    static constexpr std::int32_t WheelRows = 3;
    // The size a dialog has until its template gives it one; a class derived from a dialog builds its
    // window base with it.
    static constexpr Dim InitialSize{334 + 2 * WindowManager::Border, 302 + 2 * WindowManager::Border};

    Dialog(const std::string& archiveName, const std::string& bitmapGroup, const std::string& backgroundName);
    ~Dialog() override;

    // Builds and runs the dialog on the template of that name; a parent of 0 is the main window. Modal and
    // pumped runs answer the value the dialog closed with; a modeless run answers 0 at once. A template
    // that does not exist makes no window and answers 0.
    std::int16_t create(const std::string& resourceName, std::uint32_t mode, std::uint16_t autoDelete = 0,
                        WindowHandle parent = 0);
    using WindowsWindow::create;
    std::int16_t isOpen() const { return open_; }
    std::int16_t result() const { return result_; }
    std::uint32_t mode() const { return mode_; }
    // Centres the dialog over the main window, or over the screen while the main window is iconic.
    void centre();
    // A dialog of the frame lies wholly inside the frame's client area: wherever it is placed (centred,
    // at a remembered place, dragged), and again whenever the window takes another size. One wider or
    // taller than the area stands at its left or top edge, so that its caption shows; the wheel slides
    // one taller than the area up and down, to bring its foot (its buttons) into sight. The place it was
    // given is kept apart from where it shows, so that the window grown again gives it back.
    static platform::Rect keptInside(const platform::Rect& box, const platform::Rect& area);
    // The place the dialog was given last (in its parent's client coordinates, with its outer size), where
    // it stands whenever the window is large enough; where it stands now once something else moved it.
    platform::Rect givenPlace() const;
    void windowPosChanging(WindowPos& pos) override;
    platform::Rect draggedTo(const platform::Rect& proposed, const platform::Rect& area) const override;
    void parentResized() override;
    // A text tile of that id (-1: the first anonymous one) or a control's label or text.
    void setItemText(std::int16_t id, const std::string& text);

    virtual std::intptr_t dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    virtual void onInitDialog() {}
    virtual void onAccept() {}
    virtual void drawBackground();
    void erase() override { drawBackground(); }
    virtual void enableItem(std::int16_t id, std::int16_t flag);
    // Index -1 is the current selection; a row that does not exist gives an empty text.
    virtual std::string comboSelectionText(std::int16_t id, std::int32_t index);
    virtual void selectRadio(std::int16_t id, std::int16_t position);
    virtual std::int16_t radioSelection(std::int16_t id);
    virtual std::string listSelectionText(std::int16_t id, std::int32_t index);
    virtual std::int32_t listSelectionIndex(std::int16_t id);
    virtual std::string getItemText(std::int16_t id);
    virtual DialogControl* createLabelControl(std::int16_t id, WindowHandle window, const std::string& label);
    virtual DialogControl* createDefaultButton(std::int16_t id, WindowHandle window,
                                               const std::string& label);
    virtual DialogControl* createImageButton(std::int16_t id, WindowHandle window, const std::string& label);
    virtual DialogControl* createRadioButton(std::int16_t id, WindowHandle window, const std::string& label);
    virtual DialogControl* createCheckBox(std::int16_t id, WindowHandle window, const std::string& label);
    virtual void close(std::int16_t value);

    // The control windows, in template order, and the framework control of one.
    DialogItemWindow* item(std::int16_t id) const;
    const std::vector<std::unique_ptr<DialogItemWindow>>& items() const { return items_; }
    DialogControl* control(WindowHandle window) const;
    DialogControl* controlOf(std::int16_t id) const;
    const List<TextTile*>& textTiles() const { return textTiles_; }
    TextTile* textTile(std::int16_t id) const;
    DialogItemWindow* focus() const { return focus_; }
    // The button Return presses, drawn in its double frame: the push button that has the focus, else the
    // template's default.
    std::uint16_t defaultButton() const;
    static bool isPushButton(const DialogControl* control);
    void setFocus(DialogItemWindow* item);
    // Shows or hides a control window.
    void showItem(std::int16_t id, bool show);
    // Paints one control window over the background and shows it.
    void drawItem(DialogItemWindow& item) override;
    // Sends the dialog a control's command, as the control window would.
    void command(std::uint16_t id, std::uint16_t notification);

    // Keys and clicks reach the open dialog before any other window; a dialog that leaves the frame's menu
    // bar to the player (one that stands for the whole screen) lets a click on the bar, Alt and a letter
    // none of its controls answers to, and everything while a pull-down is open through to the frame.
    bool takeDialogMessage(const WindowMessage& message) override;
    void leaveMenuBar(bool left) { menuBarLeft_ = left; }
    // Its buttons are all answers to its question (a Yes and a No), none of them a way back, though the No
    // bears Cancel's id: it shows no close box, and Escape chooses nothing; the question stands until a
    // button answers it.
    void answeredByButtonsOnly() { buttonsOnly_ = true; }
    // Whether the modal dialog that holds the input now is one that leaves the frame's bars to the player.
    static bool barsLeftToPlayer();
    std::intptr_t windowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // The pointer resting on a list's row that the list cuts shows the whole row in a tip under it (over it
    // at the dialog's foot), broken into rows as wide as the dialog: its text, empty while none shows, and
    // where it stands.
    const std::string& tipText() const { return tipText_; }
    Box tipBox() const { return tipBox_; }

protected:
    // The template as read, before the dialog is built from it: a dialog whose size follows what it shows
    // (a message as long as it is) lays itself out here.
    virtual void adjustTemplate(DialogTemplate&) {}

    std::uint16_t autoDelete_ = 0;
    std::int16_t result_ = 0;
    std::uint32_t mode_ = Modal;
    std::int16_t open_ = 0;

private:
    void initialise(const Dim& client);
    // The parent's client area (its own coordinates) that the dialog keeps inside, or none: a dialog
    // hosted in a window of its own, or of no window, or while the area is empty, stays where it is put.
    std::optional<platform::Rect> keptArea() const;
    // Where the dialog of its given place and size shows in the area: inside it, slid up by the wheel as far
    // as the area still leaves it to slide.
    platform::Rect shownIn(const platform::Rect& area);
    // Shows the dialog at its given place as the area holds it.
    void placeInside();
    // The wheel over a dialog taller than the area: true when it moved.
    bool slide(std::int32_t notches);
    void wrapControl(DialogItemWindow& window);
    void closeRadioGroup();
    void paintItem(DialogItemWindow& item);
    void redrawAll();
    std::uint16_t itemState(const DialogItemWindow& item) const;
    void mouse(std::uint32_t message, const Point& at);
    // The wheel turned over a list or a scroll bar moves it; away from the player is up.
    void wheel(std::int32_t notches, const Point& at);
    // A press and release on the caption's close box: whether the message was the box's.
    bool closeBoxInput(const WindowMessage& message);
    // The tip of the list row under the pointer, or none: shown anew when it changes.
    void pointAtRow(DialogItemWindow* under, const Point& at);
    void paintTip();
    // The close box takes the dialog back by its Cancel or Close button; a dialog with neither is closed
    // as Escape closes it when it has a system menu, put away with nothing done when it stands beside the
    // game, and otherwise goes on by its default button. It never makes a choice: a modal dialog that
    // holds one (a list, a field, radio buttons) with no way back shows no close box.
    void closeBoxClicked();
    DialogItemWindow* wayBack() const;
    bool holdsChoice() const;
    bool offersCloseBox() const;
    bool forMenuBar(const WindowMessage& message) const;
    // How far along a scroll bar a point of the dialog lies, from the bar's start.
    static std::int32_t alongBar(const DialogItemWindow& bar, const Point& at);
    void key(std::int32_t key, std::uint16_t modifiers);
    void character(std::uint32_t code);
    // Alt and a letter: a control alone in bearing it is reached (a button pressed); a letter shared by
    // several takes the focus on from one to the next and presses nothing.
    bool mnemonic(char c);
    // The field a label of the template names, or null.
    DialogItemWindow* labelledBy(const TextTile& label) const;
    void moveFocus(bool backwards);
    void moveInRadioGroup(std::int32_t step);
    // Paints the buttons whose frame came or went since the default was that one.
    void redrawDefault(std::uint16_t before);
    DialogItemWindow* itemAt(const Point& at) const;
    DialogItemWindow* itemOf(WindowHandle handle) const;
    void releaseAll();

    std::map<WindowHandle, std::unique_ptr<DialogControl>> controls_;
    List<TextTile*> textTiles_;
    std::unique_ptr<PictureArchive> images_;
    std::unique_ptr<Display> background_;
    std::string bitmapGroup_;
    std::string backgroundName_;
    std::vector<std::unique_ptr<DialogItemWindow>> items_;
    List<DialogRadio*> pendingRadios_;
    DialogItemWindow* focus_ = nullptr;
    DialogItemWindow* pressed_ = nullptr;
    bool pressedInside_ = false;
    bool closeBoxPressed_ = false;
    bool menuBarLeft_ = false;
    bool buttonsOnly_ = false;
    // While a scroll bar's thumb is dragged: how far along the thumb the pointer took it.
    std::int32_t thumbGrab_ = 0;
    // Where the dialog was placed last, and how far the wheel has slid one taller than the area upwards.
    platform::Rect given_;
    std::int32_t slid_ = 0;
    // Centred in a window too small for it, the dialog is centred again once the window holds it, rather
    // than kept where the small window pushed it; a place given otherwise ends that.
    bool recentre_ = false, centring_ = false;
    std::string tipText_;
    Box tipBox_, tipRow_;
    std::vector<std::string> tipRows_;
};

} // namespace vael
