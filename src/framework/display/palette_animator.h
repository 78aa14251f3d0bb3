#pragma once
// Cycles a band of palette entries (moving water) through frames of colours on an application timer,
// driven by four named messages: start (paused), resume (from frame 0), suspend and stop.
#include <cstdint>
#include <vector>

#include "framework/core/component.h"
#include "framework/display/logical_palette.h"

namespace vael {

class PaletteAnimator : public Component {
public:
    static constexpr std::uint16_t Rate = 5; // frames a second

    PaletteAnimator(LogicalPalette* palette, std::int16_t frameCount, std::int16_t firstIndex,
                    std::int16_t lastIndex);
    ~PaletteAnimator() override;

    void connectHandlers() override;
    // Sets the colour of a palette index (first to last) in a frame; others are ignored.
    void setEntry(std::int16_t frame, std::int16_t index, const PaletteEntry& colour);

    void start();
    void stop();
    void suspend();
    void resume();

    std::uint16_t running() const { return running_; }
    std::uint16_t paused() const { return paused_; }
    std::int16_t currentFrame() const { return currentFrame_; }
    const PaletteEntry& entry(std::int16_t frame, std::int16_t index) const {
        return frames_[static_cast<std::size_t>(frame * entryCount_ + index - firstIndex_)];
    }

private:
    static ContainerBase* step(Component* target, BusMessage event, ContainerBase* data);

    LogicalPalette* palette_;
    std::int16_t entryCount_;
    std::int16_t frameCount_;
    std::int16_t currentFrame_ = 0;
    std::int16_t firstIndex_;
    std::int16_t lastIndex_;
    std::vector<PaletteEntry> frames_;
    std::uint16_t running_ = 0;
    std::uint16_t paused_ = 0;
};

} // namespace vael
