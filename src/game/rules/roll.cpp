#include "game/rules/roll.h"

#include <cstdlib>

#include "framework/core/assertion.h"

namespace vael {

int Roll::rand() {
    if (!scripted_)
        return std::rand();
    if (numbers_.empty()) {
        Assertion::fail("A scripted roll was asked for with no number left in the script", __FILE__, __LINE__);
        return 0;
    }
    int number = numbers_.front();
    numbers_.pop_front();
    return number;
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
