#include "tools/forge/frame_art.h"

#include "framework/display/bitmap.h"
#include "tools/forge/forge_palette.h"
#include "tools/forge/picture.h"

namespace vael::forge {

namespace {

ForgedImage opaque(const char* name, const Picture& p) {
    return ForgedImage{name, Dim(static_cast<std::int16_t>(p.width()), static_cast<std::int16_t>(p.height())),
                       Point(), PixelOpaque, p.rawRows()};
}

// A dressed stone of a wall: a face of one shade with a lit top and left edge, a dark joint below and
// right, and a few chisel marks that differ from block to block.
Picture block(int variant) {
    Picture p(32, 32);
    p.fillRect(0, 0, 32, 32, shade(Stone, 5 + variant % 2));
    p.fillRect(0, 0, 32, 2, shade(Stone, 8));
    p.fillRect(0, 0, 2, 32, shade(Stone, 7));
    p.fillRect(0, 30, 32, 2, shade(Stone, 2));
    p.fillRect(30, 0, 2, 32, shade(Stone, 3));
    for (int i = 0; i < 4; ++i) {
        const int x = 5 + (variant * 7 + i * 9) % 20, y = 6 + (variant * 5 + i * 11) % 18;
        p.line(x, y, x + 3, y + 1, shade(Stone, 3));
    }
    return p;
}

// The status bar's pieces: a raised grey strip with a sunken well for the text.
Picture barPiece(int width, bool leftCap, bool rightCap) {
    Picture p(width, StatusBarHeight);
    p.fillRect(0, 0, width, StatusBarHeight, shade(Stone, 8));
    p.fillRect(0, 0, width, 1, colour::White);
    p.fillRect(0, StatusBarHeight - 1, width, 1, shade(Stone, 2));
    p.fillRect(0, 4, width, StatusBarHeight - 8, shade(Stone, 9));
    p.fillRect(0, 4, width, 1, shade(Stone, 4));
    p.fillRect(0, StatusBarHeight - 5, width, 1, colour::White);
    if (leftCap) p.fillRect(0, 0, 2, StatusBarHeight, shade(Stone, 10));
    if (rightCap) p.fillRect(width - 2, 0, 2, StatusBarHeight, shade(Stone, 3));
    return p;
}

Picture separator() {
    Picture p(6, StatusBarHeight);
    p.fillRect(0, 0, 6, StatusBarHeight, shade(Stone, 8));
    p.fillRect(2, 2, 1, StatusBarHeight - 4, shade(Stone, 3));
    p.fillRect(3, 2, 1, StatusBarHeight - 4, colour::White);
    return p;
}

} // namespace

ForgedArchive frameArchive() {
    ForgedArchive a;
    a.title = "Frame artwork";
    a.groups.push_back(
        {"Blocks", {opaque("Block1", block(0)), opaque("Block2", block(1)), opaque("Block3", block(2))}});
    return a;
}

ForgedArchive statusBarArchive() {
    ForgedArchive a;
    a.title = "Status bar artwork";
    a.groups.push_back(
        {"sbArt",
         {opaque("left", barPiece(12, true, false)), opaque("center", barPiece(16, false, false)),
          opaque("right", barPiece(12, false, true)), opaque("separator", separator())}});
    return a;
}

} // namespace vael::forge
