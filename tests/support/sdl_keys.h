#pragma once
// A key as the display gives it to SDL, for the tests that drive the real window: the key's press with
// SDL's modifiers, the text it types (none when empty), its release, on SDL's own queue so that the SDL
// platform translates them as it does a person's keys.
#include <SDL.h>

namespace vael::test {

inline void pushKey(SDL_Keycode symbol, Uint16 mod, const char* text) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = symbol;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
    if (*text) {
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        SDL_strlcpy(t.text.text, text, sizeof t.text.text);
        SDL_PushEvent(&t);
    }
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    SDL_PushEvent(&e);
}

} // namespace vael::test
