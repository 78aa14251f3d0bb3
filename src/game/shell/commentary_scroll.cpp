#include "game/shell/commentary_scroll.h"

#include <algorithm>

namespace vael {

void CommentaryScroll::setShown(std::size_t shown) {
    const bool bottom = atBottom();
    shown_ = shown;
    top_ = bottom ? lastTop() : std::min(top_, lastTop());
}

void CommentaryScroll::added(std::size_t rows) {
    const bool bottom = atBottom();
    rows_ += rows;
    if (bottom) top_ = lastTop();
}

void CommentaryScroll::dropped(std::size_t rows) {
    const bool bottom = atBottom();
    rows = std::min(rows, rows_);
    rows_ -= rows;
    top_ = bottom ? lastTop() : std::min(top_ > rows ? top_ - rows : 0, lastTop());
}

void CommentaryScroll::reset(std::size_t rows, std::size_t top) {
    const bool bottom = atBottom();
    rows_ = rows;
    top_ = bottom ? lastTop() : std::min(top, lastTop());
}

void CommentaryScroll::scrollBy(std::ptrdiff_t rows) {
    const auto to = static_cast<std::ptrdiff_t>(top_) + rows;
    top_ = to <= 0 ? 0 : std::min(static_cast<std::size_t>(to), lastTop());
}

void CommentaryScroll::scrollTo(std::size_t top) {
    top_ = std::min(top, lastTop());
}

} // namespace vael
