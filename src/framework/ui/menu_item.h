#pragma once
// The entries of a menu's model. A plain MenuItem is one of the three markers (separator, column break,
// column break with a bar); a TextItem is a command with its label and its registered command name; a
// PopupItem is a pull-down holding its own menu; a BitmapItem is a command shown as a picture of an image
// archive.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/ui/picture_archive.h"
#include "framework/ui/system_menu.h"

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
    // What the menu shows for the item: its label, its picture, or nothing for a marker.
    virtual MenuContent content() const { return {}; }

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
    MenuContent content() const override { return {label_, nullptr}; }

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

class BitmapItem : public MenuItem {
public:
    // The image of that name in the group of the archive, or in any group of it when the group is empty;
    // the id is the message name's registered id. An image the archive lacks shows an empty picture.
    BitmapItem(const std::string& archiveName, const std::string& groupName, const std::string& imageName,
               const std::string& message, std::uint16_t state);
    MenuItem* clone() const override { return new BitmapItem(*this); }
    // A new picture each time, the image's rows padded to four bytes.
    MenuContent content() const override;

    const Picture& image() const { return image_; }

private:
    BitmapItem(const BitmapItem&) = default;

    // Copies share the archive, which keeps the image's pixels for as long as any copy shows them.
    std::shared_ptr<PictureArchive> archive_;
    Picture image_;
};

} // namespace vael
