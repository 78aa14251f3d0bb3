#include "game/rules/roll.h"

#include <cstdlib>

#include "framework/core/assertion.h"

namespace vael {

int Roll::rand() {
    if (!scripted_ && asideDepth_ > 0) {
        // A small generator of the same range as rand()'s, never reseeded: the numbers only have to look
        // random.
        asideState_ = asideState_ * 1103515245u + 12345u;
        return static_cast<int>((asideState_ >> 1) % (static_cast<unsigned>(RAND_MAX) + 1u));
    }
    if (!scripted_) {
        ++drawn_;
        return std::rand();
    }
    if (numbers_.empty()) {
        Assertion::fail("A scripted roll was asked for with no number left in the script", __FILE__, __LINE__);
        return 0;
    }
    int number = numbers_.front();
    numbers_.pop_front();
    return number;
}

void Roll::seed(unsigned value) {
    std::srand(value);
    drawn_ = 0;
}

void Roll::drawUpTo(unsigned long long count) {
    while (drawn_ < count) {
        ++drawn_;
        std::rand();
    }
}

void Roll::script(std::initializer_list<int> numbers) {
    scripted_ = true;
    numbers_.insert(numbers_.end(), numbers);
}

void Roll::endScript() {
    scripted_ = false;
    numbers_.clear();
}

} // namespace vael
