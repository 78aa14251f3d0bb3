#include "tools/forge/control_art.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include "framework/display/bitmap.h"
#include "tools/forge/campaign_art.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/menu_art.h"
#include "tools/forge/picture.h"
#include "tools/forge/scroll_art.h"

namespace vael::forge {

namespace {

constexpr int ButtonWidth = 24, ButtonHeight = 22;
constexpr int MirrorWidth = 15, MirrorHeight = 28;

constexpr std::uint8_t grey(int level) {
    return static_cast<std::uint8_t>(colour::GreyFirst + level / 7 - 1);
}
constexpr std::uint8_t Face = grey(196), LightEdge = grey(245), DarkEdge = grey(126), Outline = grey(14);

// An icon's colours: its own, or the greys of a disabled button.
struct Ink {
    bool disabled;
    std::uint8_t operator()(Ramp ramp, int level) const {
        return disabled ? grey(std::min(245, 150 + 8 * level)) : shade(ramp, level);
    }
};

using Icon = std::function<void(Picture&, int x, int y, const Ink&)>;

// The icons, each inside a 16 x 14 box at (x, y).
const std::vector<std::pair<std::string, Icon>>& icons() {
    static const std::vector<std::pair<std::string, Icon>> all = {
        {"FileOpen",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillRect(x + 1, y + 3, 6, 2, c(Sand, 7));
             p.fillRect(x + 1, y + 4, 14, 9, c(Sand, 9));
             p.fillRect(x + 3, y + 7, 13, 6, c(Sand, 6));
         }},
        {"FileSave",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillRect(x + 2, y + 1, 12, 12, c(NationBlue, 5));
             p.fillRect(x + 4, y + 1, 8, 5, c(Cloth, 11));
             p.fillRect(x + 5, y + 9, 6, 4, c(Steel, 9));
         }},
        {"FileStartGame",
         [](Picture& p, int x, int y, const Ink& c) {
             for (int i = 0; i < 7; ++i)
                 p.line(x + 4 + i, y + 1 + i, x + 4 + i, y + 13 - i, c(Grass, 8));
         }},
        {"GameOverview",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillRect(x + 1, y + 1, 14, 12, c(Grass, 7));
             for (int i = 0; i < 14; i += 4)
                 p.line(x + 1 + i, y + 1, x + 1 + i, y + 12, c(Grass, 3));
             p.fillRect(x + 9, y + 4, 4, 3, c(NationBlue, 8));
         }},
        {"FilePreferences",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillEllipse(x + 8, y + 7, 6, 6, c(Steel, 6));
             for (int i = -1; i <= 1; ++i)
                 p.line(x + 1, y + 7 + i, x + 15, y + 7 + i, c(Steel, 6)),
                     p.line(x + 8 + i, y, x + 8 + i, y + 14, c(Steel, 6));
             p.fillEllipse(x + 8, y + 7, 2, 2, Face);
         }},
        {"LeaderCenterOnLeader",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillEllipse(x + 8, y + 7, 6, 6, c(NationRed, 7));
             p.fillEllipse(x + 8, y + 7, 4, 4, Face);
             p.line(x + 8, y, x + 8, y + 14, c(NationRed, 3)),
                 p.line(x + 1, y + 7, x + 15, y + 7, c(NationRed, 3));
         }},
        {"LeaderGroupMove",
         [](Picture& p, int x, int y, const Ink& c) {
             for (int k = 0; k < 3; ++k)
                 p.line(x + 2 + 4 * k, y + 2, x + 6 + 4 * k, y + 7, c(Earth, 4)),
                     p.line(x + 6 + 4 * k, y + 7, x + 2 + 4 * k, y + 12, c(Earth, 4));
         }},
        {"RallyUnit",
         [](Picture& p, int x, int y, const Ink& c) {
             p.line(x + 3, y, x + 3, y + 13, c(Wood, 5));
             p.fillRect(x + 4, y + 1, 10, 6, c(NationRed, 8));
         }},
        {"RestoreCohesion",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillEllipse(x + 8, y + 7, 6, 6, c(NationBlue, 7));
             p.fillEllipse(x + 8, y + 7, 3, 3, c(NationYellow, 9));
         }},
        {"MissleVolley",
         [](Picture& p, int x, int y, const Ink& c) {
             p.line(x + 2, y + 12, x + 13, y + 1, c(Wood, 6));
             p.line(x + 13, y + 1, x + 9, y + 2, c(Steel, 10)),
                 p.line(x + 13, y + 1, x + 12, y + 5, c(Steel, 10));
         }},
        {"RotateLeft",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillEllipse(x + 8, y + 7, 6, 6, c(Stone, 7));
             p.fillEllipse(x + 8, y + 7, 4, 4, Face);
             p.fillRect(x, y, 8, 7, Face);
             p.line(x + 2, y + 4, x + 6, y + 4, c(Stone, 3)), p.line(x + 2, y + 4, x + 2, y + 8, c(Stone, 3));
         }},
        {"RotateRight",
         [](Picture& p, int x, int y, const Ink& c) {
             p.fillEllipse(x + 8, y + 7, 6, 6, c(Stone, 7));
             p.fillEllipse(x + 8, y + 7, 4, 4, Face);
             p.fillRect(x + 9, y, 8, 7, Face);
             p.line(x + 10, y + 4, x + 14, y + 4, c(Stone, 3)),
                 p.line(x + 14, y + 4, x + 14, y + 8, c(Stone, 3));
         }},
    };
    return all;
}

// A raised face in an outline, or a pressed one lit from the other side.
Picture face(int w, int h, bool down) {
    Picture p(w, h, Face);
    p.line(0, 0, w - 1, 0, Outline), p.line(0, h - 1, w - 1, h - 1, Outline);
    p.line(0, 0, 0, h - 1, Outline), p.line(w - 1, 0, w - 1, h - 1, Outline);
    const std::uint8_t upperLeft = down ? DarkEdge : LightEdge, lowerRight = down ? LightEdge : DarkEdge;
    p.line(1, 1, w - 2, 1, upperLeft), p.line(1, 1, 1, h - 2, upperLeft);
    p.line(1, h - 2, w - 2, h - 2, lowerRight), p.line(w - 2, 1, w - 2, h - 2, lowerRight);
    return p;
}

// A tool-bar button; pressed, its icon sits a pixel lower right.
Picture button(const Icon& icon, bool down, bool disabled) {
    Picture p = face(ButtonWidth, ButtonHeight, down);
    const int shift = down ? 1 : 0;
    icon(p, 4 + shift, 4 + shift, Ink{disabled});
    return p;
}

ForgedImage raw(const char* name, const Picture& p) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       Point(), PixelOpaque, p.rawRows()};
}

// A strip of stone with a groove, lit from the left; its mirror image follows it.
Picture mirror(bool flipped) {
    Picture p(MirrorWidth, MirrorHeight);
    for (int y = 0; y < MirrorHeight; ++y)
        for (int x = 0; x < MirrorWidth; ++x) {
            const int u = flipped ? MirrorWidth - 1 - x : x;
            int level = 7 + (u < 4 ? 1 : 0) - (u > 11 ? 1 : 0);
            if (y == 0) level = 11;
            if (y == MirrorHeight - 1) level = 1;
            p.set(x, y, shade(Stone, level));
        }
    return p;
}

} // namespace

const std::vector<std::string>& buttonCommands() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& [name, icon] : icons())
            out.push_back(name);
        return out;
    }();
    return names;
}

ForgedArchive buttonArchive() {
    ForgedArchive a{"Tool-bar buttons", {}};
    for (const auto& [name, icon] : icons())
        a.groups.push_back(
            {name,
             {raw("UpEnabled", button(icon, false, false)), raw("DownEnabled", button(icon, true, false)),
              raw("UpDisabled", button(icon, false, true)), raw("DownDisabled", button(icon, true, true))}});
    return a;
}

ForgedArchive toolbarArchive() {
    return ForgedArchive{"Tool bar",
                         {{"Background", {raw("Mirror #1", mirror(false)), raw("Mirror #2", mirror(true))}}}};
}

namespace {

constexpr int DialogButtonWidth = 82, DialogButtonHeight = 18, MarkSize = 13;

ForgedImage keyed(const char* name, const Picture& p) {
    ForgedImage image = raw(name, p);
    image.kind = PixelKeyed;
    return image;
}

// The dialogs' push button: a wide bevelled face, pressed in when down.
Picture dialogButton(bool down) {
    return face(DialogButtonWidth, DialogButtonHeight, down);
}

// A check box's square or a radio button's round well, sunk into the face; down it is darker.
Picture well(bool round, bool down) {
    Picture p(MarkSize, MarkSize, 0);
    const std::uint8_t inside = down ? grey(170) : grey(250);
    if (round) {
        p.fillEllipse(6, 6, 6, 6, DarkEdge);
        p.fillEllipse(6, 6, 5, 5, inside);
    } else {
        p.fillRect(0, 0, MarkSize, MarkSize, DarkEdge);
        p.fillRect(1, 1, MarkSize - 2, MarkSize - 2, inside);
    }
    return p;
}

// The mark drawn over a checked well: a tick or a dot.
Picture mark(bool round) {
    Picture p(MarkSize, MarkSize, 0);
    if (round) {
        p.fillEllipse(6, 6, 2, 2, Outline);
    } else {
        for (int i = 0; i < 3; ++i) {
            p.line(3, 6 + i - 1, 5, 8 + i - 1, Outline);
            p.line(5, 8 + i - 1, 9, 4 + i - 1, Outline);
        }
    }
    return p;
}

// Parchment: sand with fibres that repeat every 64 pixels, so the tiles meet without a seam.
Picture parchment() {
    constexpr int Size = 64;
    Picture p(Size, Size, shade(Sand, 11));
    std::uint32_t seed = 0x2545F491u;
    for (int i = 0; i < 220; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int x = static_cast<int>(seed >> 8) % Size, y = static_cast<int>(seed >> 20) % Size;
        const int length = 2 + static_cast<int>(seed % 5);
        for (int k = 0; k < length; ++k)
            p.set((x + k) % Size, y, shade(Sand, 10 + static_cast<int>((seed >> 4) % 3)));
    }
    return p;
}

ForgedArchive dialogButtonArchive() {
    return ForgedArchive{
        "Dialog buttons",
        {{"Pushbutton", {raw("Up", dialogButton(false)), raw("Down", dialogButton(true))}},
         {"CheckBox",
          {keyed("Up", well(false, false)), keyed("Down", well(false, true)), keyed("Check", mark(false))}},
         {"Radio",
          {keyed("Up", well(true, false)), keyed("Down", well(true, true)), keyed("Check", mark(true))}}}};
}

ForgedArchive dialogBitmapArchive(const std::string& fontDirectory) {
    ForgedArchive archive{"Dialog bitmaps",
                          {{"Intro", {raw("Background", parchment())}},
                           {"StartGame", {raw("Background", startGamePicture(fontDirectory))}},
                           {"Loading", {raw("Background", loadingPicture(fontDirectory))}}}};
    // The campaign's map, drawn from the campaign file the game reads.
    std::ifstream campaign(VAEL_CAMPAIGN_FILE, std::ios::binary);
    if (!campaign) throw std::runtime_error(std::string("cannot read ") + VAEL_CAMPAIGN_FILE);
    const std::string text{std::istreambuf_iterator<char>(campaign), std::istreambuf_iterator<char>()};
    archive.groups.push_back(
        {"Campaign", {raw("Map", campaignMapPicture(campaignMapText(text), fontDirectory))}});
    // A group per nation with the picture of its victory, of its defeat, and of a battle it lost because
    // the connection was lost.
    for (std::uint32_t nation = 1; nation <= 9; ++nation)
        archive.groups.push_back(
            {"EndOfGame" + std::to_string(nation),
             {raw("Won", endOfGamePicture(nation, BattleEnd::Won, fontDirectory)),
              raw("Lost", endOfGamePicture(nation, BattleEnd::Lost, fontDirectory)),
              raw("Connection lost", endOfGamePicture(nation, BattleEnd::ConnectionLost, fontDirectory))}});
    return archive;
}

} // namespace

std::vector<ControlArchive> controlArchives(const std::string& fontDirectory) {
    return {
        {"dlgfont.oif", "MS Sans Serif 2", dialogGlyphArchive(fontDirectory + "/DejaVuSans.ttf", 11)},
        {"chisel.oif", "Chiseled Text", chiseledGlyphArchive(fontDirectory + "/DejaVuSans-Bold.ttf", 18)},
        {"buttons2.oif", "Buttons 2", buttonArchive()},
        {"toolbar.oif", "Toolbar", toolbarArchive()},
        {"scroll.oif", "Scroll Bars", scrollBarArchive()},
        {"spinner.oif", "Spinner", spinnerArchive()},
        {"dlgbtns.oif", "DialogButtons", dialogButtonArchive()},
        {"dlgbmps.oif", "Dialog Bitmaps", dialogBitmapArchive(fontDirectory)},
    };
}

} // namespace vael::forge
