#pragma once
// Test support: lays down the numbers the rules will draw, in order, for the life of the object, and
// ends the script when it goes. Numbers are raw rand() values: d10() sees n % 10, d100() n % 100.
#include <initializer_list>

#include "game/rules/roll.h"

namespace vael::test {

class ScriptedRolls {
public:
    ScriptedRolls(std::initializer_list<int> numbers = {}) { Roll::endScript(), Roll::script(numbers); }
    ~ScriptedRolls() { Roll::endScript(); }
    ScriptedRolls(const ScriptedRolls&) = delete;
    ScriptedRolls& operator=(const ScriptedRolls&) = delete;
    void add(std::initializer_list<int> numbers) { Roll::script(numbers); }
    std::size_t left() const { return Roll::scriptedLeft(); }
};

} // namespace vael::test
