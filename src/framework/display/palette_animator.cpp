#include "framework/display/palette_animator.h"

#include <algorithm>

#include "framework/display/display_message_names.h"
#include "framework/display/realised_palette.h"

namespace vael {

namespace {
template <void (PaletteAnimator::*Operation)()>
ContainerBase* handler(Component* target, BusMessage, ContainerBase*) {
    if (auto* animator = dynamic_cast<PaletteAnimator*>(target)) (animator->*Operation)();
    return nullptr;
}
} // namespace

PaletteAnimator::PaletteAnimator(LogicalPalette* palette, std::int16_t frameCount, std::int16_t firstIndex,
                                 std::int16_t lastIndex)
    : palette_(palette),
      // A reversed or empty range, or no frames, animates nothing rather than index outside the tables.
      entryCount_(static_cast<std::int16_t>(std::max(lastIndex - firstIndex + 1, 0))),
      frameCount_(std::max<std::int16_t>(frameCount, 0)), firstIndex_(firstIndex), lastIndex_(lastIndex),
      frames_(static_cast<std::size_t>(entryCount_) * static_cast<std::size_t>(frameCount_),
              PaletteEntry{255, 0, 0, PC_RESERVED}) {}

PaletteAnimator::~PaletteAnimator() {
    if (running_) {
        if (palette_)
            palette_->releaseRange(static_cast<std::uint16_t>(firstIndex_),
                                   static_cast<std::uint16_t>(lastIndex_));
        killTimer(&PaletteAnimator::step);
    }
}

void PaletteAnimator::connectHandlers() {
    connectNamed(msg::StartPaletteAnimation, &handler<&PaletteAnimator::start>);
    connectNamed(msg::StopPaletteAnimation, &handler<&PaletteAnimator::stop>);
    connectNamed(msg::SuspendPaletteAnimation, &handler<&PaletteAnimator::suspend>);
    connectNamed(msg::ResumePaletteAnimation, &handler<&PaletteAnimator::resume>);
}

void PaletteAnimator::setEntry(std::int16_t frame, std::int16_t index, const PaletteEntry& colour) {
    if (frame < 0 || frame >= frameCount_ || index < firstIndex_ || index > lastIndex_) return;
    frames_[static_cast<std::size_t>(frame * entryCount_ + index - firstIndex_)] = colour;
}

void PaletteAnimator::start() {
    if (running_) return;
    addTimer(&PaletteAnimator::step, Rate, 2);
    running_ = 1;
    paused_ = 1;
}

void PaletteAnimator::resume() {
    if (!running_ || !paused_) return;
    if (palette_)
        palette_->reserveRange(static_cast<std::uint16_t>(firstIndex_),
                               static_cast<std::uint16_t>(lastIndex_));
    resumeTimer(&PaletteAnimator::step);
    paused_ = 0;
    currentFrame_ = 0;
}

void PaletteAnimator::suspend() {
    if (!running_ || paused_) return;
    if (palette_)
        palette_->releaseRange(static_cast<std::uint16_t>(firstIndex_),
                               static_cast<std::uint16_t>(lastIndex_));
    pauseTimer(&PaletteAnimator::step);
    paused_ = 1;
}

void PaletteAnimator::stop() {
    if (!running_) return;
    if (palette_)
        palette_->releaseRange(static_cast<std::uint16_t>(firstIndex_),
                               static_cast<std::uint16_t>(lastIndex_));
    killTimer(&PaletteAnimator::step);
    running_ = 0;
    paused_ = 0;
    currentFrame_ = 0;
}

ContainerBase* PaletteAnimator::step(Component* target, BusMessage, ContainerBase*) {
    auto* self = dynamic_cast<PaletteAnimator*>(target);
    if (!self || self->frameCount_ == 0) return nullptr;
    if (self->palette_ && self->firstIndex_ >= 0 && self->entryCount_ > 0)
        animatePalette(self->palette_->handle(), static_cast<std::uint16_t>(self->firstIndex_),
                       static_cast<std::uint16_t>(self->entryCount_),
                       &self->frames_[static_cast<std::size_t>(self->currentFrame_ * self->entryCount_)]);
    if (++self->currentFrame_ >= self->frameCount_) self->currentFrame_ = 0;
    return nullptr;
}

} // namespace vael
