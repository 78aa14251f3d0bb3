#pragma once
// The entries of a menu's model. A plain MenuItem is one of the three markers (separator, column break,
// column break with a bar); a TextItem is a command with its label and its registered command name; a
// PopupItem is a pull-down holding its own menu.
#include <cstdint>
#include <memory>
#include <string>

namespace vael {

class Menu;

class MenuItem {
public:
    enum Marker : std::uint16_t { SeparatorMarker = 1, ColumnBreakMarker = 2, BarBreakMarker = 3 };
    enum State : std::uint16_t { Checked = 1, Disabled = 2, Grayed = 4 };

    MenuItem(std::uint16_t id, std::uint16_t state) : id_(id), state_(state) {}
    virtual ~MenuItem() = default;
    virtual MenuItem* clone() const { return new MenuItem(*this); }
    // Puts the text in front of the item's command name.
    virtual void addPrefix(const std::string&) {}
    // What the item is chosen by: its id, or a pull-down's menu handle.
    virtual std::uintptr_t commandId() const { return id_; }
    // What the menu shows for the item: its label, or nothing for a marker.
    virtual std::string content() const { return {}; }

    bool isMarker() const { return marker_; }
    std::uint16_t id() const { return id_; }
    std::uint16_t state() const { return state_; }
    void setState(std::uint16_t state) { state_ = state; }

protected:
    MenuItem(const MenuItem&) = default;
    MenuItem(std::uint16_t id, std::uint16_t state, bool marker) : id_(id), state_(state), marker_(marker) {}

    std::uint16_t id_;
    std::uint16_t state_;

private:
    bool marker_ = true;
};

class TextItem : public MenuItem {
public:
    // The id is the command name's registered id.
    TextItem(const std::string& label, const std::string& command, std::uint16_t state);
    // A command read from a menu resource keeps the resource's id.
    TextItem(const std::string& label, const std::string& command, std::uint16_t id, std::uint16_t state)
        : MenuItem(id, state, false), label_(label), command_(command) {}
    MenuItem* clone() const override { return new TextItem(*this); }
    void addPrefix(const std::string& text) override;
    std::string content() const override { return label_; }

    const std::string& label() const { return label_; }
    const std::string& command() const { return command_; }

protected:
    TextItem(const TextItem&) = default;

    std::string label_;
    std::string command_;
};

class PopupItem : public TextItem {
public:
    // The item owns the menu.
    PopupItem(const std::string& label, Menu* submenu);
    ~PopupItem() override;
    MenuItem* clone() const override;
    void addPrefix(const std::string& text) override;
    std::uintptr_t commandId() const override;

    Menu* submenu() const { return submenu_.get(); }

private:
    PopupItem(const PopupItem& other);

    std::unique_ptr<Menu> submenu_;
};

} // namespace vael
