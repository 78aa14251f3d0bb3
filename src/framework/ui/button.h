#pragma once
// The tool-bar button: four pictures (up or down, enabled or disabled) of one group of an image archive,
// a press tracked with the mouse captured, a status text and a tool tip while the pointer is over it, and
// "Command" with its command word on a completed click. It follows the menu items' enable, disable, check
// and uncheck events for its command word. A latching button stays down after a click until clicked again.
//
// MultiStateButton cycles through states, each with its own pictures, command word and texts, moving on
// when its current command has been carried out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/tile.h"

namespace vael {

class Button : public Tile {
public:
    // The bits of flags.
    static constexpr std::uint16_t Down = 1;
    static constexpr std::uint16_t Enabled = 2;

    Button(const std::string& archiveName, const std::string& group, BusMessage message,
           const std::string& statusText, const std::string& toolTipText, const char* name = nullptr,
           std::int16_t toggle = 0);

    void mouseMoved(const Point& point) override;
    void leftButtonDown(const Point& point) override;
    void leftButtonUp(const Point& point) override;
    void mouseHover(const Point& point) override;
    void mouseEntered(const Point& point) override;
    void mouseLeft(const Point& point) override;
    void connectHandlers() override;
    void draw() override;
    void enableMouseEvents() override;

    virtual void drawUpEnabled() { drawImage("UpEnabled"); }
    virtual void drawDownEnabled() { drawImage("DownEnabled"); }
    virtual void drawUpDisabled() { drawImage("UpDisabled"); }
    virtual void drawDownDisabled() { drawImage("DownDisabled"); }
    virtual void sendCommand();
    // Each acts only when the word names the button's command.
    virtual void enable(BusMessage command);
    virtual void disable(BusMessage command);
    virtual void check(BusMessage command);
    virtual void uncheck(BusMessage command);
    virtual void setFlags(std::uint16_t flags) { flags_ = flags; }
    virtual Dim imageSize() { return imageSize_; }
    // A command the tool bar has carried out.
    virtual void commandIssued(BusMessage) {}

    std::uint16_t flags() const { return flags_; }
    std::int16_t tracking() const { return tracking_; }
    BusMessage message() const { return message_; }
    const std::string& imageGroup() const { return imageGroup_; }
    const std::string& toolTipText() const { return toolTipText_; }
    const std::string& statusText() const { return statusText_; }
    bool isDown() const { return (flags_ & Down) != 0; }
    bool isEnabled() const { return (flags_ & Enabled) != 0; }

protected:
    void drawImage(const char* image);
    // Sends by name, queued but under a modal loop; a button on no bus has nobody to tell.
    void sendNamedIfAttached(const std::string& name, ContainerBase* data);
    void setStatus(const std::string& text);

    std::int16_t tracking_ = 0;
    Dim imageSize_;
    std::uint16_t flags_ = 0xFFFE;
    std::uint16_t flagsAtPress_ = 0;
    BusMessage message_;
    std::unique_ptr<PictureArchive> images_;
    std::string toolTipText_;
    std::string statusText_;
    std::string imageGroup_;
    std::int16_t toggle_ = 0;

private:
    static ContainerBase* onMenuItemEvent(Component* target, BusMessage event, ContainerBase* data);
    bool inside(const Point& point) const { return Box(0, 0, width(), height()).contains(point); }
};

class MultiStateButton : public Button {
public:
    // A count below 1 makes a button of one state.
    MultiStateButton(std::int32_t stateCount, const std::string& archiveName, const std::string& group,
                     BusMessage message, const std::string& statusText, const std::string& toolTipText,
                     const char* name = nullptr);

    // Neither redraws; an index outside the states fails the check and changes nothing.
    void setState(std::int32_t state, const std::string& group, BusMessage message,
                  const std::string& statusText, const std::string& toolTipText);
    void showState(std::int32_t state);

    void sendCommand() override;
    void enable(BusMessage command) override;
    void disable(BusMessage command) override;
    void check(BusMessage command) override;
    void uncheck(BusMessage command) override;
    void commandIssued(BusMessage command) override;

    std::int32_t currentState() const { return currentState_; }
    std::int32_t stateCount() const { return stateCount_; }
    std::int16_t stateEnabled(std::int32_t state) const;

private:
    bool anyStateIs(BusMessage command) const;
    bool validState(std::int32_t state) const;

    std::int32_t currentState_ = 0;
    std::int32_t stateCount_;
    std::string defaultToolTipText_;
    std::string defaultStatusText_;
    std::vector<BusMessage> messages_;
    std::vector<std::string> imageGroups_;
    std::vector<std::string> statusTexts_;
    std::vector<std::string> toolTipTexts_;
    std::vector<std::int16_t> stateEnabled_;
};

} // namespace vael
