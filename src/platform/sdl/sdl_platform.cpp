#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <algorithm>
#include <cstdio>

namespace vael::platform {

namespace {

std::uint32_t onTimer(std::uint32_t interval, void* param) {
    auto* timer = static_cast<SdlPlatform::Timer*>(param);
    if (timer->stopped.load()) return 0;
    // One tick waits at a time, as on a queue that makes timer messages only when asked for one.
    if (!timer->tickWaiting.exchange(true)) {
        SDL_Event event{};
        event.type = timer->eventType;
        event.user.code = static_cast<Sint32>(timer->id);
        event.user.timestamp = SDL_GetTicks();
        if (SDL_PushEvent(&event) != 1) timer->tickWaiting = false;
    }
    return interval;
}

std::int32_t keyOf(SDL_Keycode sym) {
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return KeyF1 + (sym - SDLK_F1);
    switch (sym) {
    case SDLK_BACKSPACE:
        return KeyBackspace;
    case SDLK_TAB:
        return KeyTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyReturn;
    case SDLK_ESCAPE:
        return KeyEscape;
    case SDLK_SPACE:
        return KeySpace;
    case SDLK_LEFT:
        return KeyLeft;
    case SDLK_RIGHT:
        return KeyRight;
    case SDLK_UP:
        return KeyUp;
    case SDLK_DOWN:
        return KeyDown;
    case SDLK_HOME:
        return KeyHome;
    case SDLK_END:
        return KeyEnd;
    case SDLK_PAGEUP:
        return KeyPageUp;
    case SDLK_PAGEDOWN:
        return KeyPageDown;
    case SDLK_INSERT:
        return KeyInsert;
    case SDLK_DELETE:
        return KeyDelete;
    default:
        return KeyNone;
    }
}

std::uint16_t modifiersOf(std::uint16_t mod) {
    // SDL tells AltGr as the right Alt (or the mode key) without Ctrl: only the left Alt is the system key.
    return static_cast<std::uint16_t>(
        ((mod & KMOD_SHIFT) ? ModShift : 0) | ((mod & KMOD_CTRL) ? ModControl : 0) |
        ((mod & KMOD_LALT) ? ModAlt : 0) | ((mod & (KMOD_RALT | KMOD_MODE)) ? ModAltGr : 0));
}

} // namespace

std::unique_ptr<SdlPlatform> SdlPlatform::create(std::filesystem::path settingsFile, std::string& error) {
    // The close button asks the program; only the program decides to end.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Our pixels go straight into the display's shared memory; a 3D renderer behind the window surface
    // would only add a copy.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    return std::unique_ptr<SdlPlatform>(new SdlPlatform(std::move(settingsFile)));
}

SdlPlatform::SdlPlatform(std::filesystem::path settingsFile)
    : settings_(std::move(settingsFile)),
      // The window surface is taken as 32-bit pixels of 0x00RRGGBB (other layouts are converted).
      screen_([](Rgb c) { return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; }) {
    tickEvent_ = SDL_RegisterEvents(2);
    postedEvent_ = tickEvent_ + 1;
}

SdlPlatform::~SdlPlatform() {
    for (auto& timer : timers_) {
        timer->stopped = true;
        SDL_RemoveTimer(timer->sdlTimer);
    }
    // Posted events still queued own their copies.
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, postedEvent_, postedEvent_) == 1)
        delete static_cast<Event*>(event.user.data1);
    for (SDL_Cursor* cursor : cursors_)
        if (cursor) SDL_FreeCursor(cursor);
    for (auto& [name, cursor] : imageCursors_)
        if (cursor) SDL_FreeCursor(cursor);
    if (window_) SDL_DestroyWindow(window_);
    for (TTF_Font* font : fonts_)
        if (font) TTF_CloseFont(font);
    if (fontsTried_ && TTF_WasInit()) TTF_Quit();
    // SDL's timer thread ends here, so no callback can still run on the timers freed after it.
    SDL_Quit();
}

// Events.

bool SdlPlatform::translate(const SDL_Event& sdl, Event& event) {
    event = Event();
    event.time = sdl.common.timestamp;
    if (sdl.type == tickEvent_) {
        const auto id = static_cast<std::uint32_t>(sdl.user.code);
        for (const auto& timer : timers_)
            if (timer->id == id) {
                timer->tickWaiting = false;
                event.kind = EventKind::TimerTick;
                event.timer = id;
                return true;
            }
        return false; // the tick of a timer stopped since
    }
    if (sdl.type == postedEvent_) {
        std::unique_ptr<Event> posted(static_cast<Event*>(sdl.user.data1));
        event = *posted;
        return true;
    }
    switch (sdl.type) {
    case SDL_QUIT:
        event.kind = EventKind::Quit;
        return true;
    case SDL_WINDOWEVENT:
        switch (sdl.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = EventKind::CloseRequest;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.kind = EventKind::Minimized;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
            event.kind = EventKind::Restored;
            return true;
        case SDL_WINDOWEVENT_LEAVE:
            // The pointer gone out of the window (onto its title bar, another program) is over nothing of
            // the program's: told as a move to a point outside every window.
            event.kind = EventKind::MouseMove;
            event.x = event.y = -1;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            show({{0, 0, screen_.width(), screen_.height()}});
            event.kind = EventKind::Expose;
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The window manager gave the window another size: the screen behind it takes the new one, or
            // what the program draws past the old edges would never show. The program repaints it all.
            if (sdl.window.data1 > 0 && sdl.window.data2 > 0)
                screen_.resize(sdl.window.data1, sdl.window.data2);
            event.kind = EventKind::Resize;
            event.x = sdl.window.data1;
            event.y = sdl.window.data2;
            return true;
        default:
            return false;
        }
    case SDL_MOUSEMOTION:
        event.kind = EventKind::MouseMove;
        event.x = sdl.motion.x;
        event.y = sdl.motion.y;
        event.modifiers = modifiersOf(static_cast<std::uint16_t>(SDL_GetModState()));
        return true;
    case SDL_MOUSEWHEEL:
        if (sdl.wheel.y == 0) return false;
        event.kind = EventKind::Wheel;
        event.x = sdl.wheel.mouseX;
        event.y = sdl.wheel.mouseY;
        event.wheel = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
        event.modifiers = modifiersOf(static_cast<std::uint16_t>(SDL_GetModState()));
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (sdl.button.button != SDL_BUTTON_LEFT && sdl.button.button != SDL_BUTTON_MIDDLE &&
            sdl.button.button != SDL_BUTTON_RIGHT)
            return false;
        event.kind = sdl.type == SDL_MOUSEBUTTONUP                          ? EventKind::ButtonUp
                     : sdl.button.clicks >= 2 && sdl.button.clicks % 2 == 0 ? EventKind::DoubleClick
                                                                            : EventKind::ButtonDown;
        event.button = sdl.button.button == SDL_BUTTON_LEFT     ? ButtonLeft
                       : sdl.button.button == SDL_BUTTON_MIDDLE ? ButtonMiddle
                                                                : ButtonRight;
        event.x = sdl.button.x;
        event.y = sdl.button.y;
        event.modifiers = modifiersOf(static_cast<std::uint16_t>(SDL_GetModState()));
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event.kind = sdl.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp;
        event.key = keyOf(sdl.key.keysym.sym);
        event.modifiers = modifiersOf(sdl.key.keysym.mod);
        return event.key != KeyNone;
    case SDL_TEXTINPUT:
        event.kind = EventKind::Text;
        event.text = sdl.text.text;
        return true;
    default:
        return false;
    }
}

bool SdlPlatform::waitEvent(Event& event) {
    SDL_Event sdl;
    for (;;) {
        if (!watchingSockets()) {
            if (!SDL_WaitEvent(&sdl)) return false;
        } else {
            // The display has no way to wake for a socket, so the two are looked at in turn; the ready
            // sockets come back through the display's queue as posted events.
            pollSockets(0);
            if (!SDL_WaitEventTimeout(&sdl, 5)) continue;
        }
        if (translate(sdl, event)) return true;
    }
}

bool SdlPlatform::pollEvent(Event& event) {
    if (watchingSockets()) pollSockets(0);
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl))
        if (translate(sdl, event)) return true;
    return false;
}

bool SdlPlatform::eventWaiting() {
    // The bus asks before every task it runs; fetching from the display is kept to once a few milliseconds.
    const std::uint32_t now = SDL_GetTicks();
    if (now - lastPump_ >= 5) {
        if (watchingSockets()) pollSockets(0);
        SDL_PumpEvents();
        lastPump_ = now;
    }
    return SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

void SdlPlatform::postEvent(const Event& event) {
    SDL_Event sdl{};
    sdl.type = postedEvent_;
    sdl.user.timestamp = SDL_GetTicks();
    auto copy = std::make_unique<Event>(event);
    copy->time = sdl.user.timestamp;
    sdl.user.data1 = copy.get();
    if (SDL_PushEvent(&sdl) == 1)
        copy.release();
    else
        std::fprintf(stderr, "vael: a message could not be queued: %s\n", SDL_GetError());
}

// Timers.

std::uint32_t SdlPlatform::startTimer(std::uint32_t period) {
    if (period == 0) return 0;
    auto timer = std::make_unique<Timer>();
    timer->id = nextTimer_++;
    if (nextTimer_ == 0) nextTimer_ = 1;
    timer->eventType = tickEvent_;
    timer->sdlTimer = SDL_AddTimer(period, onTimer, timer.get());
    if (timer->sdlTimer == 0) return 0;
    timers_.push_back(std::move(timer));
    return timers_.back()->id;
}

bool SdlPlatform::stopTimer(std::uint32_t id) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if ((*it)->id != id) continue;
        (*it)->stopped = true;
        SDL_RemoveTimer((*it)->sdlTimer);
        retired_.push_back(std::move(*it));
        timers_.erase(it);
        return true;
    }
    return false;
}

std::uint32_t SdlPlatform::tickCount() {
    return SDL_GetTicks();
}

// The window.

bool SdlPlatform::openWindow(std::int32_t width, std::int32_t height, const std::string& title) {
    if (width <= 0 || height <= 0) return false;
    if (window_) {
        SDL_SetWindowTitle(window_, title.c_str());
        SDL_SetWindowSize(window_, width, height);
    } else {
        // The frame has a sizing border: the player may give the window any size, and the frame follows.
        window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
        if (!window_) {
            std::fprintf(stderr, "vael: cannot open the window: %s\n", SDL_GetError());
            return false;
        }
    }
    screen_.resize(width, height);
    show({{0, 0, width, height}});
    return true;
}

void SdlPlatform::closeWindow() {
    if (!window_) return;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    screen_.resize(0, 0);
}

void SdlPlatform::show(const std::vector<Rect>& boxes) {
    if (!window_ || boxes.empty()) return;
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return;
    const bool direct = surface->format->format == SDL_PIXELFORMAT_XRGB8888 ||
                        surface->format->format == SDL_PIXELFORMAT_ARGB8888;
    std::vector<SDL_Rect> rects;
    rects.reserve(boxes.size());
    for (const Rect& box : boxes) {
        // The window may be smaller than the screen for a moment while it is being resized.
        const SDL_Rect wanted{box.x, box.y, box.width, box.height};
        const SDL_Rect window{0, 0, std::min(surface->w, screen_.width()),
                              std::min(surface->h, screen_.height())};
        SDL_Rect clipped;
        if (SDL_IntersectRect(&wanted, &window, &clipped)) rects.push_back(clipped);
    }
    if (rects.empty()) return;
    if (direct) {
        if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
        for (const SDL_Rect& r : rects)
            screen_.expand({r.x, r.y, r.w, r.h}, static_cast<std::uint8_t*>(surface->pixels), surface->pitch);
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    } else {
        // Another layout: through a surface of ours that SDL converts from.
        SDL_Surface* staging = SDL_CreateRGBSurfaceWithFormat(0, screen_.width(), screen_.height(), 32,
                                                              SDL_PIXELFORMAT_XRGB8888);
        if (!staging) return;
        for (SDL_Rect r : rects) {
            screen_.expand({r.x, r.y, r.w, r.h}, static_cast<std::uint8_t*>(staging->pixels), staging->pitch);
            SDL_Rect to = r;
            SDL_BlitSurface(staging, &r, surface, &to);
        }
        SDL_FreeSurface(staging);
    }
    SDL_UpdateWindowSurfaceRects(window_, rects.data(), static_cast<int>(rects.size()));
}

void SdlPlatform::setPalette(const Rgb* colours, std::int32_t first, std::int32_t count) {
    if (!colours || !screen_.setColours(colours, first, count)) return;
    show({{0, 0, screen_.width(), screen_.height()}});
}

void SdlPlatform::present(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                          std::int32_t count) {
    if (!window_) return;
    show(screen_.copy(picture, x, y, boxes, count));
}

// The rest of the system.

// The system font: the proportional face the dialog font is rendered from, from the Debian font package,
// at the size of 8 points on a screen of 96 dots an inch, so what the window manager and the edit and list
// controls write matches the dialogs' own text.
TTF_Font* SdlPlatform::systemFont(bool bold) {
    if (!fontsTried_) {
        fontsTried_ = true;
        if (TTF_Init() == 0) {
            fonts_[0] = TTF_OpenFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 11);
            fonts_[1] = TTF_OpenFont("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 11);
        }
        if (!fonts_[0]) std::fprintf(stderr, "vael: no system font, text is not shown: %s\n", TTF_GetError());
    }
    return fonts_[bold && fonts_[1] ? 1 : 0];
}

std::int32_t SdlPlatform::textWidth(const std::string& text, bool bold) {
    TTF_Font* font = systemFont(bold);
    int w = 0, h = 0;
    if (!font || text.empty() || TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) return 0;
    return w;
}

void SdlPlatform::drawText(const TextTarget& target, std::int32_t x, std::int32_t y, const std::string& text,
                           std::uint8_t colour, bool bold) {
    TTF_Font* font = systemFont(bold);
    if (!font || text.empty() || !target.pixels) return;
    SDL_Surface* glyphs = TTF_RenderUTF8_Solid(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!glyphs) return;
    // A solid rendering is 8-bit: 0 is the background, anything else a glyph's stroke.
    const std::int64_t left = std::max<std::int64_t>(target.clip.x, 0),
                       top = std::max<std::int64_t>(target.clip.y, 0),
                       right = std::min<std::int64_t>(std::int64_t(target.clip.x) + target.clip.width,
                                                      target.width),
                       bottom = std::min<std::int64_t>(std::int64_t(target.clip.y) + target.clip.height,
                                                       target.height);
    SDL_LockSurface(glyphs);
    for (std::int32_t row = 0; row < glyphs->h; ++row) {
        const std::int64_t ty = std::int64_t(y) + row;
        if (ty < top || ty >= bottom) continue;
        const auto* from =
            static_cast<const std::uint8_t*>(glyphs->pixels) + std::ptrdiff_t(row) * glyphs->pitch;
        for (std::int32_t col = 0; col < glyphs->w; ++col) {
            const std::int64_t tx = std::int64_t(x) + col;
            if (from[col] && tx >= left && tx < right)
                target.pixels[std::ptrdiff_t(ty) * target.pitch + tx] = colour;
        }
    }
    SDL_UnlockSurface(glyphs);
    SDL_FreeSurface(glyphs);
}

void SdlPlatform::setCursor(Cursor cursor) {
    const int which = cursor == Cursor::Wait ? 1 : 0;
    if (!cursors_[which])
        cursors_[which] = SDL_CreateSystemCursor(which ? SDL_SYSTEM_CURSOR_WAIT : SDL_SYSTEM_CURSOR_ARROW);
    if (cursors_[which]) SDL_SetCursor(cursors_[which]);
}

void SdlPlatform::setCursorImage(const CursorImage& image) {
    auto found = imageCursors_.find(image.name);
    if (found == imageCursors_.end()) {
        SDL_Cursor* made = nullptr;
        if (image.valid()) {
            SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32,
                                                                  SDL_PIXELFORMAT_ARGB8888);
            if (surface) {
                const PaletteColours& colours = screen_.colours();
                for (std::int32_t y = 0; y < image.height; ++y) {
                    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                                                 std::size_t(y) * surface->pitch);
                    for (std::int32_t x = 0; x < image.width; ++x) {
                        const std::uint8_t index = image.pixels[std::size_t(y) * image.width + x];
                        const Rgb c = colours[index];
                        row[x] = index == 0 ? 0u
                                            : 0xFF000000u | std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 |
                                                  std::uint32_t(c.b);
                    }
                }
                made = SDL_CreateColorCursor(surface, image.hotX, image.hotY);
                SDL_FreeSurface(surface);
            }
        }
        // A cursor that cannot be made is remembered as such: the arrow stands in for it every time.
        found = imageCursors_.emplace(image.name, made).first;
    }
    if (found->second)
        SDL_SetCursor(found->second);
    else
        setCursor(Cursor::Arrow);
}

void SdlPlatform::beep() {
    // The terminal's bell until the sound output gives the program a voice of its own.
    std::fputc('\a', stderr);
}

std::optional<MessageAnswer> SdlPlatform::showSystemBox(const std::string& text, const std::string& title,
                                                        MessageButtons buttons, MessageIcon icon,
                                                        SDL_Window* owner) {
    static const struct {
        MessageButtons buttons;
        std::vector<std::pair<MessageAnswer, const char*>> answers;
    } sets[] = {
        {MessageButtons::Ok, {{MessageAnswer::Ok, "OK"}}},
        {MessageButtons::OkCancel, {{MessageAnswer::Ok, "OK"}, {MessageAnswer::Cancel, "Cancel"}}},
        {MessageButtons::AbortRetryIgnore,
         {{MessageAnswer::Abort, "Abort"},
          {MessageAnswer::Retry, "Retry"},
          {MessageAnswer::Ignore, "Ignore"}}},
        {MessageButtons::YesNoCancel,
         {{MessageAnswer::Yes, "Yes"}, {MessageAnswer::No, "No"}, {MessageAnswer::Cancel, "Cancel"}}},
        {MessageButtons::YesNo, {{MessageAnswer::Yes, "Yes"}, {MessageAnswer::No, "No"}}},
        {MessageButtons::RetryCancel, {{MessageAnswer::Retry, "Retry"}, {MessageAnswer::Cancel, "Cancel"}}},
    };
    std::vector<SDL_MessageBoxButtonData> data;
    for (const auto& set : sets) {
        if (set.buttons != buttons) continue;
        for (const auto& [answer, label] : set.answers) {
            Uint32 flags = 0;
            if (data.empty()) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (answer == cautiousAnswer(buttons)) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            data.push_back({flags, static_cast<int>(answer), label});
        }
    }
    const Uint32 kind = icon == MessageIcon::Stop          ? SDL_MESSAGEBOX_ERROR
                        : icon == MessageIcon::Exclamation ? SDL_MESSAGEBOX_WARNING
                                                           : SDL_MESSAGEBOX_INFORMATION;
    const SDL_MessageBoxData box{
        kind, owner, title.c_str(), text.c_str(), static_cast<int>(data.size()), data.data(), nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0 || chosen < 0) return std::nullopt;
    return static_cast<MessageAnswer>(chosen);
}

MessageAnswer SdlPlatform::messageBox(const std::string& text, const std::string& title,
                                      MessageButtons buttons, MessageIcon icon) {
    if (const auto chosen = showSystemBox(text, title, buttons, icon, window_)) return *chosen;
    // No box can be shown (or it was closed without a button): the text goes to the terminal and the
    // answer is the one that does no harm.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return cautiousAnswer(buttons);
}

bool SdlPlatform::showNotice(const std::string& text, const std::string& title) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, title.c_str(), text.c_str(), nullptr) == 0;
}

std::optional<std::string> SdlPlatform::chooseFile(const std::string&, const std::string&) {
    return std::nullopt;
}

bool SdlPlatform::setClipboardText(const std::string& text) {
    return SDL_SetClipboardText(text.c_str()) == 0;
}

std::string SdlPlatform::clipboardText() {
    char* text = SDL_GetClipboardText();
    std::string copy = text ? text : "";
    SDL_free(text);
    return copy;
}

} // namespace vael::platform
