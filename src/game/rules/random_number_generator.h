#pragma once
// A small seeded generator of integers in a range, for choices that must come out the same every time
// the same seed is given (the display objects' random choices). The game's rules roll through Roll.
#include <cstdint>

namespace vael {

class RandomNumberGenerator {
public:
    explicit RandomNumberGenerator(std::uint32_t seed) { setSeed(seed); }
    // Seeded with the application's tick count; 0 without an application.
    RandomNumberGenerator();

    void setSeed(std::uint32_t seed) {
        seed_ = seed;
        restart();
    }
    void restart() { state_ = seed_; }
    // lo to hi inclusive, each end half as likely as a value between them.
    std::int32_t between(std::int32_t lo, std::int32_t hi);
    std::int32_t upTo(std::int32_t n) { return n >= 1 ? between(0, n) : between(n, 0); }
    std::int32_t percent() { return between(0, 100); }

    std::uint32_t getSeed() const { return seed_; }
    std::uint32_t getState() const { return state_; }

private:
    std::uint32_t seed_ = 0;
    std::uint32_t state_ = 0;
};

} // namespace vael
