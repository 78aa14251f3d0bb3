#pragma once
// Windows of the X server that are not the test's own: a box another program shows, found by its title,
// grabbed, and answered with a key as the player would (kept apart from the tests: the X headers' macros
// clash with the test framework's names).
#include <string>

#include "x11_grab.h"

namespace vael::test {

// The first top-level window whose title begins with prefix, waited for up to timeoutMs; 0 when none came.
// title receives the whole title.
unsigned long waitForWindowTitled(const std::string& prefix, int timeoutMs, std::string& title);
// The window's pixels; an empty grab when it cannot be read.
Grab grabXWindow(unsigned long window);
// A key pressed and let go over the window ("Return", "Escape"); false when no key of that name exists.
bool pressKey(unsigned long window, const char* keyName);

} // namespace vael::test
