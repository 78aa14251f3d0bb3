#pragma once
// A control window of a dialog as our window manager keeps it: a handle of its own, the template's id,
// class, style and box in the dialog's pixels, its text, and the state of the window manager's own
// controls (the single-line edit with its caret and selection, the list box, the combo box with its
// drop-down list, the scroll bar). The dialog draws them into its picture and hands them keys and clicks.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/geometry.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/window_message.h"

namespace vael {

class Display;
class DialogItemWindow;

// What an item asks of the dialog that holds it: to be drawn into the dialog's picture. The dialog
// implements it, so that the items know their owner without knowing the dialog.
class DialogItemOwner {
public:
    virtual void drawItem(DialogItemWindow& item) = 0;

protected:
    ~DialogItemOwner() = default;
};

// Notifications the controls send their dialog, in the high word of a command.
enum ControlNotification : std::uint16_t {
    ListSelectionChanged = 1,
    ListDoubleClicked = 2,
    ComboSelectionChanged = 1,
    EditChanged = 0x300,
    EditUpdated = 0x400,
};

class DialogItemWindow : public MessageTarget {
public:
    // A list row: its text and the number it carries.
    struct Row {
        std::string text;
        std::int32_t data = 0;
    };
    static constexpr std::int32_t NoRow = -1;
    static constexpr std::int16_t RowHeight = 13;
    static constexpr std::int16_t ScrollWidth = 12;

    DialogItemWindow(DialogItemOwner& owner, const DialogItem& item, const Box& box);
    ~DialogItemWindow() override;
    DialogItemWindow(const DialogItemWindow&) = delete;
    DialogItemWindow& operator=(const DialogItemWindow&) = delete;

    // A paint asked of the window is the dialog's drawing of it.
    std::intptr_t handleMessage(const WindowMessage& message) override;

    WindowHandle handle() const { return handle_; }
    std::uint16_t id() const { return id_; }
    std::uint16_t controlClass() const { return class_; }
    std::uint32_t style() const { return style_; }
    // The button style the template gave, kept when the dialog draws the button itself.
    std::uint32_t buttonType() const { return buttonType_; }
    void setStyle(std::uint32_t style) { style_ = style; }
    const Box& box() const { return box_; }
    bool isEnabled() const { return enabled_; }
    void enable(bool on) { enabled_ = on; }
    bool isVisible() const { return visible_; }
    void show(bool on) { visible_ = on; }
    bool contains(const Point& p) const;

    const std::string& text() const { return text_; }
    // Replaces the text; an edit's caret goes to its end. An edit of many rows breaks the text into rows
    // at its line breaks and where a row would be wider than the field, and scrolls to its last row.
    void setText(const std::string& text);
    // An edit of many rows; one that is read only takes no typing.
    bool isMultiline() const { return class_ == ClassEdit && (style_ & style::EditMultiline); }
    bool isReadOnly() const { return class_ == ClassEdit && (style_ & style::EditReadOnly); }

    // List and combo rows, and the rows an edit of many rows shows.
    std::int32_t addRow(const std::string& text);
    // Empties the list: no rows, none selected, scrolled to the top.
    void clearRows();
    std::int32_t rowCount() const { return static_cast<std::int32_t>(rows_.size()); }
    const Row* row(std::int32_t index) const;
    bool setRowData(std::int32_t index, std::int32_t data);
    std::int32_t selection() const { return selection_; }
    // Selects a row (NoRow for none); false for a row that does not exist, which leaves the selection.
    bool select(std::int32_t index);
    // The first row after the start whose text equals the name without regard to case, searching on
    // round to the start itself; NoRow when none does.
    std::int32_t findExact(const std::string& name, std::int32_t start = NoRow) const;
    std::int32_t topRow() const { return top_; }
    // A combo box's list is dropped below it; its box then reaches down over the list.
    bool isDropped() const { return dropped_; }
    void drop(bool on) { dropped_ = on; }
    Box droppedBox() const;
    // What the control covers on screen: a combo box its field, or its field and list while dropped (the
    // template's box reaches down over the rows below, which stay in view); any other control its box.
    Box shownBox() const;
    std::int32_t visibleRows() const;
    // A list box's row is cut when its text is wider than the room the list gives it.
    bool rowCut(std::int32_t index) const;
    // A list box or an edit of many rows with the vertical scroll style shows its bar when it has more rows
    // than it shows.
    bool showsScrollBar() const;
    // The bar's track and thumb, in dialog pixels (empty without a bar).
    Box scrollTrack() const;
    Box scrollThumb() const;
    // Scrolls by rows, kept between the top and the last full page.
    void scrollRows(std::int32_t delta);
    // A click on the bar: its arrows scroll a row, the track above or below the thumb a page.
    void clickScrollBar(std::int16_t y);

    // The edit: caret and the other end of the selection, both byte places of the UTF-8 text that lie
    // between whole characters.
    std::int32_t caret() const { return caret_; }
    std::int32_t anchor() const { return anchor_; }
    void setSelection(std::int32_t anchor, std::int32_t caret);
    // Types a character (its code point) over the selection, as its UTF-8 bytes; false when the field
    // refuses it (a control character, or a field that is full).
    bool type(std::uint32_t code);
    // Takes out the selection, or the character before (backwards) or after the caret.
    bool erase(bool backwards);
    // Moves the caret; with extend the anchor stays.
    void moveCaret(std::int32_t to, bool extend);
    // Moves the caret over one whole character, forwards or back.
    void stepCaret(bool forwards, bool extend);
    // How many pixels of the text are scrolled out of the field at its left, so that the caret shows.
    std::int32_t textScrolled() const { return scrolled_; }

    // The scroll bar's range and position.
    std::int32_t position() const { return position_; }
    void setRange(std::int32_t low, std::int32_t high);
    void setPosition(std::int32_t position);
    // A scroll bar's arrow buttons are squares at its ends (at most half its length each) and its thumb
    // is one more such square, run over the rest in proportion to the position. In dialog pixels.
    std::int16_t arrowLength() const;
    Box barThumb() const;
    // The position whose thumb starts at that many pixels along the bar from its start, kept in range.
    std::int32_t positionAt(std::int32_t along) const;

    // Draws the window manager's look of the control into the dialog's picture.
    void draw(Display& target, bool focused) const;

private:
    void scrollToSelection();
    void keepCaretInView();
    // An edit of many rows: its text broken into rows again, the last of them in view.
    void wrapRows();

    DialogItemOwner& owner_;
    WindowHandle handle_ = 0;
    std::uint16_t id_;
    std::uint16_t class_;
    std::uint32_t style_;
    std::uint32_t buttonType_;
    Box box_;
    std::string text_;
    bool enabled_;
    bool visible_;
    std::vector<Row> rows_;
    std::int32_t selection_ = NoRow;
    std::int32_t top_ = 0;
    bool dropped_ = false;
    std::int32_t caret_ = 0, anchor_ = 0;
    std::int32_t scrolled_ = 0;
    std::int32_t low_ = 0, high_ = 100, position_ = 0;
};

} // namespace vael
