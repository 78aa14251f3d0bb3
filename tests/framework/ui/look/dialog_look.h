#pragma once
// Test support for looking at the dialogs as a player sees them: the headless platform with the forged data
// set (palette, dialog font, buttons and parchment), a system font drawn from the same TrueType face the
// real window uses, and every template opened with its placeholders filled the way the game's code fills
// them before the dialog shows.
#include <SDL_ttf.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/ui/dialog.h"
#include "framework/ui/win_app.h"
#include "platform/headless/headless_platform.h"

namespace vael::test {

// The headless platform with the system font of the real window: what the window manager and the edit and
// list controls write is on the screenshots too.
class TextHeadlessPlatform : public platform::HeadlessPlatform {
public:
    ~TextHeadlessPlatform() override;
    void drawText(const platform::TextTarget& target, std::int32_t x, std::int32_t y, const std::string& text,
                  std::uint8_t colour, bool bold) override;
    std::int32_t textWidth(const std::string& text, bool bold) override;

private:
    TTF_Font* font(bool bold);
    TTF_Font* fonts_[2] = {nullptr, nullptr};
    bool tried_ = false;
};

class LookApp : public WinApp {
public:
    explicit LookApp(platform::Platform& platform);
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override;
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

// A dialog on the forged parchment whose texts the test fills before it shows.
class LookDialog : public Dialog {
public:
    // The dialog's background: the group of "Dialog Bitmaps" the game's code gives that template.
    explicit LookDialog(const std::string& templateName);
    void onInitDialog() override;
    // Texts by control id (-1: the first anonymous text) and list rows by control id.
    std::map<std::int16_t, std::string> texts;
    std::map<std::int16_t, std::vector<std::string>> rows;
};

// The texts the game's code puts into a template before it shows: every placeholder replaced, every
// empty text that the code fills given a typical value, lists given typical rows.
void fillAsTheGameDoes(const std::string& templateName, LookDialog& dialog);

// The screen's pixels in the box as a PNG file; false when it cannot be written.
bool writeScreenPng(const platform::HeadlessPlatform& os, const platform::Rect& box,
                    const std::filesystem::path& path);

} // namespace vael::test
