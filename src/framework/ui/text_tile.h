#pragma once
// A label drawn with a dialog font; it takes no mouse events and does not clear what lies under it, so
// whoever redraws it restores its background first.
#include <memory>
#include <string>

#include "framework/ui/font.h"
#include "framework/ui/tile.h"

namespace vael {

class TextTile : public Tile {
public:
    static constexpr const char* DefaultFont = "MS Sans Serif 2";

    TextTile(std::int32_t id, const std::string& text, const Point& position, const Dim& size,
             const std::string& fontName = DefaultFont, const char* name = nullptr);

    // The caller redraws.
    void setText(const std::string& text) { text_ = text; }
    std::string text() const { return text_; }
    std::int32_t id() const { return id_; }
    Point position() const { return position_; }
    DialogFont& font() { return *font_; }

    // The baseline lies at the ascent, so the tallest capital touches the top edge.
    void draw() override;
    void enableMouseEvents() override {}

private:
    std::unique_ptr<DialogFont> font_;
    std::string text_;
    std::int32_t id_;
    Point position_;
};

} // namespace vael
