#pragma once
// A small numeric up-down control: a black frame, the value in decimal, and an up and a down arrow at its
// right edge drawn from the archive "Spinner". An arrow steps the value within its limits at once and
// then, while held, on the application's timers; every step is announced with "SPINNER_INCREMENT" or
// "SPINNER_DECREMENT", even one that met a limit.
#include <cstdint>
#include <memory>

#include "framework/ui/font.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/tile.h"

namespace vael {

class Spinner : public Tile {
public:
    // Ticks of the repeat timer before the first repeat, and its rate.
    static constexpr std::int16_t RepeatDelay = 5;
    static constexpr std::uint16_t RepeatRate = 20;

    Spinner(std::int16_t minimum, std::int16_t maximum, std::int16_t value, std::int16_t step);
    ~Spinner() override;

    std::int16_t value() const { return value_; }
    std::int16_t minimum() const { return minimum_; }
    std::int16_t maximum() const { return maximum_; }
    std::int16_t step() const { return step_; }
    void setMinimum(std::int16_t minimum) { minimum_ = minimum; }
    void setMaximum(std::int16_t maximum) { maximum_ = maximum; }
    void setStep(std::int16_t step) { step_ = step; }
    // Stored as given, even outside the limits, and shown.
    void setValue(std::int16_t value);
    Dim imageSize() const;
    void refresh();

    void resize(const Dim& size) override;
    void leftButtonDown(const Point& p) override;
    void leftButtonUp(const Point& p) override;
    // A double click is a second press.
    void leftDoubleClick(const Point& p) override { leftButtonDown(p); }
    void connectHandlers() override {}
    void draw() override;
    void enableMouseEvents() override;
    virtual void setMouseEnabled(std::int16_t enabled);
    virtual void increment();
    virtual void decrement();

    Box upBox() const { return upBox_; }
    Box downBox() const { return downBox_; }
    std::int16_t mouseEnabled() const { return enabled_; }
    std::int16_t timerActive() const { return timerActive_; }
    std::int16_t pressedArrow() const { return pressedArrow_; }
    bool upShownDown() const { return topPicture_ == &topDown_; }
    bool downShownDown() const { return bottomPicture_ == &bottomDown_; }

    // The font all spinners share lives until the program ends; a test that changes the archives under
    // it lets it go.
    static void closeSharedFont();

private:
    static ContainerBase* onRepeat(Component* target, BusMessage event, ContainerBase* data);
    static DialogFont& font();
    void repeat();
    void placeArrows();
    void tell(const char* name);

    std::unique_ptr<PictureArchive> images_;
    Picture topUp_, topDown_, bottomUp_, bottomDown_;
    const Picture* topPicture_ = &topUp_;
    const Picture* bottomPicture_ = &bottomUp_;
    std::int32_t pressedArrow_ = 0;
    Box upBox_;
    Box downBox_;
    std::int16_t enabled_ = 1;
    std::int16_t minimum_ = 0;
    std::int16_t maximum_ = 0;
    std::int16_t value_ = 0;
    std::int16_t step_ = 0;
    std::int16_t timerActive_ = 0;
    std::int16_t repeatDelay_ = 0;

    static inline std::unique_ptr<DialogFont> sharedFont_;
};

} // namespace vael
