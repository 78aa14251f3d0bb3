#include "dialog_look.h"

#include <cairo.h>

#include "framework/display/image_index.h"

namespace vael::test {

TextHeadlessPlatform::~TextHeadlessPlatform() {
    for (TTF_Font*& f : fonts_)
        if (f) TTF_CloseFont(f), f = nullptr;
}

// The same face, size and rendering as the real window's system font.
TTF_Font* TextHeadlessPlatform::font(bool bold) {
    if (!tried_) {
        tried_ = true;
        if (TTF_WasInit() || TTF_Init() == 0) {
            fonts_[0] = TTF_OpenFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 11);
            fonts_[1] = TTF_OpenFont("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 11);
        }
    }
    return fonts_[bold && fonts_[1] ? 1 : 0];
}

std::int32_t TextHeadlessPlatform::textWidth(const std::string& text, bool bold) {
    int w = 0, h = 0;
    TTF_Font* f = font(bold);
    return f && !text.empty() && TTF_SizeUTF8(f, text.c_str(), &w, &h) == 0 ? w : 0;
}

void TextHeadlessPlatform::drawText(const platform::TextTarget& target, std::int32_t x, std::int32_t y,
                                    const std::string& text, std::uint8_t colour, bool bold) {
    TTF_Font* font = this->font(bold);
    if (!font || text.empty() || !target.pixels) return;
    SDL_Surface* glyphs = TTF_RenderUTF8_Solid(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!glyphs) return;
    const std::int32_t left = std::max(target.clip.x, 0), top = std::max(target.clip.y, 0);
    const std::int32_t right = std::min(target.clip.x + target.clip.width, target.width);
    const std::int32_t bottom = std::min(target.clip.y + target.clip.height, target.height);
    for (std::int32_t row = 0; row < glyphs->h; ++row)
        for (std::int32_t col = 0; col < glyphs->w; ++col) {
            const std::int32_t tx = x + col, ty = y + row;
            if (static_cast<const std::uint8_t*>(glyphs->pixels)[row * glyphs->pitch + col] && tx >= left &&
                tx < right && ty >= top && ty < bottom)
                target.pixels[ty * target.pitch + tx] = colour;
        }
    SDL_FreeSurface(glyphs);
}

LookApp::LookApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}

void LookApp::findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
    findIndexedDataFile(library, cursor, end, dataPath(5), "");
}

namespace {
std::string upperCase(const std::string& name) {
    std::string upper;
    for (char c : name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// The start dialog shows the main menu's picture and the loading dialog the same scene; every other
// dialog the parchment.
std::string pictureGroupOf(const std::string& templateName) {
    const std::string upper = upperCase(templateName);
    return upper == "STARTGAME"      ? "StartGame"
           : upper == "LOADINGDLG"   ? "Loading"
           : upper == "ENDOFGAMEDLG" ? "EndOfGame1"
                                     : "Intro";
}

// The end of the game shows a nation's victory; the others have their one background.
std::string pictureNameOf(const std::string& templateName) {
    return upperCase(templateName) == "ENDOFGAMEDLG" ? "Won" : "Background";
}
} // namespace

LookDialog::LookDialog(const std::string& templateName)
    : Window(Point(0, 0), Dialog::InitialSize, ""),
      Dialog("Dialog Bitmaps", pictureGroupOf(templateName), pictureNameOf(templateName)) {}

void LookDialog::onInitDialog() {
    for (const auto& [id, text] : texts)
        setItemText(id, text);
    for (const auto& [id, list] : rows)
        if (DialogItemWindow* w = item(id)) {
            for (const std::string& r : list)
                w->addRow(r);
            w->select(0);
        }
}

void fillAsTheGameDoes(const std::string& name, LookDialog& d) {
    const std::vector<std::string> leaders = {"Ardal the Elder", "Berenos", "Cathmor",     "Doran of Sabra",
                                              "Eskel",           "Farren",  "Gaius Vetter"};
    const std::string upper = upperCase(name);
    auto& t = d.texts;
    auto& r = d.rows;
    if (upper == "ABOUTDLG") {
        t[101] = "The Iron Vigils of Vaelmoric, version 0.1";
    } else if (upper == "CHOOSESIDES") {
        r[101] = {"Player", "Computer"};
        r[102] = {"Computer", "Player"};
    } else if (upper == "CONNECTNETDLG") {
        t[110] = "Maren";
        t[104] = "vigil-host";
        t[103] = "GHATMAR.SCN";
        t[107] = "Ready when you are.";
        t[106] = "Tovald: all set";
        r[101] = {"Maren", "Tovald", "Iselde"};
    } else if (upper == "ELITEINITDLG" || upper == "LEADERCHEATDLG") {
        r[10] = leaders;
    } else if (upper == "ENUMDIALOG" || upper == "OVERALLCOMBATRESULTS") {
        r[101] = {"Thracian Peltasts: 2 hits", "Sabran Hoplites: routed", "Companion Horse: 1 hit"};
    } else if (upper == "GETSTRING") {
        t[101] = "Second attempt";
        t[-1] = "Name of the saved game:";
    } else if (upper == "INITIATIVERESULTS") {
        t[101] = "Ardal the Elder keeps the momentum.";
        t[102] = "Never show this again";
    } else if (upper == "INTRODLG") {
        t[101] = "Sabrans";
        t[102] = "Thracians";
    } else if (upper == "LOADSAVEDLG") {
        t[10] = "BATTLE01.SAV";
        t[12] = "Ghatmar, turn 4";
        r[11] = {"BATTLE01.SAV  Ghatmar, turn 4", "BATTLE02.SAV  Ghatmar, turn 9"};
    } else if (upper == "MISSILERESULTS") {
        t[101] = "Thracian Peltasts suffer 2";
    } else if (upper == "NETCHAT") {
        t[107] = "Your flank is open.";
        r[102] = {"Maren: greetings", "Tovald: well met"};
    } else if (upper == "NETCHOOSELEADERS") {
        for (int k = 0; k < 20; ++k) {
            t[static_cast<std::int16_t>(321 + k)] = leaders[static_cast<std::size_t>(k) % leaders.size()];
            r[static_cast<std::int16_t>(301 + k)] = {"Maren", "Tovald"};
        }
        t[100] = "Maren";
        t[101] = "Tovald";
    } else if (upper == "NEWAIFILENAME") {
        t[101] = "GHATMAR.PLN";
    } else if (upper == "OWDLG") {
        t[101] = "BATTLE01.SAV already exists.";
        t[102] = "Do you want to replace it?";
    } else if (upper == "RALLYDLG") {
        t[101] = "Ardal the Elder rallies";
        t[102] = "the Thracian Peltasts:";
        t[103] = "they return to the line.";
    } else if (upper == "STARTCLIENT") {
        t[101] = "Tovald";
        t[102] = "vigil-host";
    } else if (upper == "STARTSERVER") {
        t[101] = "Maren";
    } else if (upper == "VAELMESSAGEBOX" || upper == "YESNODLG") {
        t[101] = "You do not have enough orders";
        t[102] = "to move a unit that does not";
        t[103] = "belong to your group.";
        t[-1] = "";
    } else if (upper == "VARIANTDLG") {
        r[101] = {"As fought", "Reinforced left wing", "No elephants"};
    }
}

bool writeScreenPng(const platform::HeadlessPlatform& os, const platform::Rect& box,
                    const std::filesystem::path& path) {
    if (box.width <= 0 || box.height <= 0) return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, box.width, box.height);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < box.height; ++y)
        for (int x = 0; x < box.width; ++x) {
            const int sx = box.x + x, sy = box.y + y;
            const std::uint32_t rgb =
                sx >= 0 && sy >= 0 && sx < os.width() && sy < os.height() ? os.pixel(sx, sy) : 0xFF00FFu;
            *reinterpret_cast<std::uint32_t*>(data + y * stride + x * 4) = rgb;
        }
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, path.string().c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

} // namespace vael::test
