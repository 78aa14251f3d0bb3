#pragma once
// The dialog's own faces of its push buttons, check boxes, radio buttons and labels: the control window
// keeps its behaviour, and when the dialog is asked to paint an item it hands the control a view of the
// item's box in its picture and the item state, and the control draws its pictures of the archive
// "DialogButtons" and its label there. Clicks reach the control as button notifications.
//
// Every control draws its label in one dialog font shared by all live controls: the first makes it, the
// last one gone deletes it.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/bus_message.h"
#include "framework/core/component.h"
#include "framework/core/list.h"
#include "framework/ui/display.h"
#include "framework/ui/font.h"
#include "framework/ui/window_message.h"

namespace vael {

// A view of a box of another display's pixels: what is drawn into it lands in the owner's rows. The box
// is cut to the owner.
class ItemView : public Display {
public:
    ItemView(Display& owner, const Box& box);
    ~ItemView() override;
    Point cursorPosition() override { return Point(); }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
    Box box() const { return box_; }

private:
    Box box_;
};

// The bits of an item state.
enum ItemState : std::uint16_t { ItemSelected = 1, ItemDisabled = 4, ItemFocus = 0x10 };
// Button notifications.
constexpr std::uint16_t ButtonClicked = 0;

class DialogControl : public Component {
public:
    static constexpr const char* ArchiveName = "DialogButtons";
    static constexpr const char* FontName = "MS Sans Serif 2";
    // A label offset coordinate that centres the label on its axis.
    static constexpr std::int16_t Centred = -1;

    DialogControl(WindowHandle controlWindow, const std::string& label, const Point& labelOffset,
                  const std::string& archiveName);
    ~DialogControl() override;

    void connectHandlers() override {}
    virtual void onNotify(std::uint16_t) {}
    virtual void draw(Display& target, std::uint16_t itemState) { drawLabel(target, Point(0, 0), itemState); }

    void setLabel(const std::string& label) { label_ = label; }
    void setLabelChars(const char* label) { label_ = label ? label : ""; }
    const std::string& label() const { return label_; }
    Point labelOffset() const { return labelOffset_; }
    WindowHandle controlWindow() const { return controlWindow_; }
    void drawLabel(Display& target, const Point& offset, std::uint16_t itemState);
    // Where the label lands in a control of that size: its width, and its full height from the ascent
    // down to the descent or the mnemonic's underline; a centred label is centred on that height.
    Box labelBox(const Dim& size) const;
    // How far in from the box's edges the focus frame stays: a push button keeps it off its bevel.
    virtual std::int16_t faceEdge() const { return 0; }

    // The shared font while any control lives; null otherwise.
    static DialogFont* sharedFont() { return sharedFont_; }
    static int liveControls() { return live_; }

    // How disabled pictures are drawn: the table every palette index is turned through. The display
    // framework installs the palette's grey table; without one the pictures are drawn unchanged.
    using RemapSource = const std::uint8_t* (*)();
    static RemapSource setDisabledRemap(RemapSource source);

protected:
    // The control window is to be painted again, without erasing.
    void invalidateWindow();
    // The picture of the group whole at the point (its hot spot there), through the disabled table in
    // mode 2.
    void drawImage(Display& target, const Point& at, const Picture& picture, std::int16_t mode);

    std::unique_ptr<PictureArchive> images_;
    WindowHandle controlWindow_;
    std::string label_;
    Point labelOffset_;

private:
    static inline DialogFont* sharedFont_ = nullptr;
    static inline int live_ = 0;
    static inline RemapSource disabledRemap_ = nullptr;
};

class DialogButton : public DialogControl {
public:
    DialogButton(WindowHandle controlWindow, const std::string& label, const Point& labelOffset,
                 const std::string& archiveName, std::int16_t isDefault, BusMessage message = BusMessage());

    void onNotify(std::uint16_t code) override;
    void draw(Display& target, std::uint16_t itemState) override;
    virtual void click();
    virtual void drawUp(Display& target, std::uint16_t itemState);
    virtual void drawDown(Display& target, std::uint16_t itemState);
    virtual void drawChecked(Display& target, std::uint16_t itemState);
    virtual void drawDisabled(Display& target, std::uint16_t itemState);

    std::int16_t isDefault() const { return isDefault_; }
    std::int16_t getCheck() const { return checked_; }
    void setCheck(std::int16_t checked);
    BusMessage message() const { return message_; }
    void setMessage(BusMessage message) { message_ = message; }

protected:
    // The group of the pictures; a push button's fill the box inside its default frame, the others' sit
    // at its left edge, centred vertically, with the label beside them.
    virtual const char* group() const { return "Pushbutton"; }
    bool isPush() const;
    Point placeOf(Display& target, const Picture& picture) const;
    Picture picture(const char* name) { return images_->drawable(name, group()); }
    void drawFace(Display& target, const Picture& face, std::int16_t mode);
    // The default frame's two rows, the face's outline and its bevel.
    std::int16_t faceEdge() const override { return isPush() ? 4 : 0; }

    std::int16_t isDefault_;
    std::int16_t checked_ = 0;
    BusMessage message_;
};

class DialogCheck : public DialogButton {
public:
    DialogCheck(WindowHandle controlWindow, const std::string& label, const std::string& archiveName,
                std::int16_t initialCheck = 0);
    void click() override;

protected:
    const char* group() const override { return "CheckBox"; }
};

class DialogRadio : public DialogButton {
public:
    DialogRadio(WindowHandle controlWindow, const std::string& label, const std::string& archiveName);
    void click() override;

    void addToGroup(DialogRadio* radio) { group_.append(radio); }
    void setGroup(const List<DialogRadio*>& group) { group_ = group; }
    const List<DialogRadio*>& radioGroup() const { return group_; }
    // The position of the first checked member; 0 when none is.
    std::int16_t selectedIndex() const;
    void select(std::int16_t position);

protected:
    const char* group() const override { return "Radio"; }

private:
    List<DialogRadio*> group_;
};

} // namespace vael
