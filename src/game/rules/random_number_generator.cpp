#include "game/rules/random_number_generator.h"

#include <cmath>

#include "framework/core/application.h"

namespace vael {

namespace {

// Not the usual 2^31 - 1: the sequences every machine must repeat were made with this modulus.
constexpr std::uint32_t modulus = 1195914823u;

} // namespace

RandomNumberGenerator::RandomNumberGenerator() {
    Application* app = Application::instance();
    setSeed(app ? static_cast<std::uint32_t>(app->tickCount()) : 0);
}

std::int32_t RandomNumberGenerator::between(std::int32_t lo, std::int32_t hi) {
    state_ = (state_ * 16807u) % modulus;
    // The span in 64 bits: lo and hi at the ends of the 32-bit range would overflow it.
    const long double span = static_cast<long double>(static_cast<std::int64_t>(hi) - lo);
    const double x = static_cast<double>(static_cast<long double>(state_) * (1.0L / modulus) * span);
    // Halves round up, toward positive infinity, for negative spans too.
    const double rounded = std::floor(2 * x) - std::floor(x);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(lo) + static_cast<std::int64_t>(rounded));
}

} // namespace vael
