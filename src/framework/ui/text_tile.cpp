#include "framework/ui/text_tile.h"

namespace vael {

TextTile::TextTile(std::int32_t id, const std::string& text, const Point& position, const Dim& size,
                   const std::string& fontName, const char* name)
    : Tile(Box(0, 0, size.w, size.h), name ? name : "Unnamed Text Tile"),
      font_(std::make_unique<DialogFont>(fontName)), text_(text), id_(id), position_(position) {}

void TextTile::draw() {
    font_->drawText(*this, Point(0, font_->ascent()), text_, 3);
}

} // namespace vael
