#pragma once
// Every random number the rules draw comes through here rather than from rand() directly, so that a test
// can lay down the dice a hand-worked example needs. Unscripted, it is the runtime's rand(), which the
// battle runner seeds.
#include <cstddef>
#include <deque>
#include <initializer_list>

namespace vael {

class Roll {
public:
    // The runtime's rand(), or the next scripted number while a script is in force.
    static int rand();
    static int d10() { return rand() % 10; }
    static int d100() { return rand() % 100; }
    // What the display draws (a figure's place, a fallen man, a sound's pick): the battle's dice, as any
    // roll, but dice of their own while shownApart is set. Between two machines each display plays at its
    // own pace against the other machine's bytes, and the battle must roll the same however the two meet.
    static int shown() {
        if (!shownApart_) return rand();
        Aside aside;
        return rand();
    }
    static void setShownApart(bool apart) { shownApart_ = apart; }
    static bool shownApart() { return shownApart_; }

    // Seeds the runtime's rand() and starts counting its numbers drawn afresh: a battle that knows the seed
    // and the count can lay the same dice down again (the battle tool's games saved in the middle of an
    // activation go on so).
    static void seed(unsigned value);
    // The runtime's numbers drawn since the last seed (scripted ones and those drawn aside not counted).
    static unsigned long long drawn() { return drawn_; }
    // Draws the runtime's numbers until the count since the seed is reached.
    static void drawUpTo(unsigned long long count);

    // Puts a script in force and appends numbers to it. A scripted run that asks for more numbers than
    // it was given is a faulty test: the failed check names it and the roll is 0.
    static void script(std::initializer_list<int> numbers);
    // Ends the script: rolls come from rand() again.
    static void endScript();
    static bool scripted() { return scripted_; }
    static std::size_t scriptedLeft() { return numbers_.size(); }

    // While one lives, unscripted rolls come from dice of their own instead of rand(): what draws then (a
    // map view nobody watches, stepped whenever it is stepped) leaves the battle's dice as they were, so
    // that it never changes what the battle rolls next.
    class Aside {
    public:
        Aside() { ++asideDepth_; }
        ~Aside() { --asideDepth_; }
        Aside(const Aside&) = delete;
        Aside& operator=(const Aside&) = delete;
    };
    static bool asideInForce() { return asideDepth_ > 0; }

private:
    static inline bool scripted_ = false;
    static inline std::deque<int> numbers_;
    static inline int asideDepth_ = 0;
    static inline bool shownApart_ = false;
    static inline unsigned asideState_ = 1;
    static inline unsigned long long drawn_ = 0;
};

} // namespace vael
