#pragma once
// Which rows of the running commentary are in view. The window shows `shown` rows from `top`; while its
// last row is the newest one it follows the battle, so that each new row comes into view as it arrives.
// Scrolled back by the player, it stays on the rows he chose while the battle goes on, until he comes back
// to the bottom. Kept apart from the window, which only draws what this says.
#include <cstddef>
#include <cstdint>

namespace vael {

class CommentaryScroll {
public:
    std::size_t top() const { return top_; }
    std::size_t rows() const { return rows_; }
    std::size_t shown() const { return shown_; }
    // The top of the last page: the newest row at the window's bottom.
    std::size_t lastTop() const { return rows_ > shown_ ? rows_ - shown_ : 0; }
    bool atBottom() const { return top_ >= lastTop(); }

    // The window shows another number of rows: at the bottom it stays there, else its top stays.
    void setShown(std::size_t shown);
    // Rows of new lines came after the last one.
    void added(std::size_t rows);
    // The oldest rows were let go: the rows in view stay in view as far as they are kept.
    void dropped(std::size_t rows);
    // Every row anew (the lines were broken again for another width, or a new battle began), with the row
    // that is to stand at the top unless the window follows the battle.
    void reset(std::size_t rows, std::size_t top);
    void clear() { rows_ = 0, top_ = 0; }

    // The player's moves, held between the first row and the last page.
    void scrollBy(std::ptrdiff_t rows);
    void scrollTo(std::size_t top);
    void pageUp() { scrollBy(-page()); }
    void pageDown() { scrollBy(page()); }
    void home() { top_ = 0; }
    void end() { top_ = lastTop(); }
    // A page keeps one row of the last in view, as a text view does.
    std::ptrdiff_t page() const { return shown_ > 1 ? static_cast<std::ptrdiff_t>(shown_) - 1 : 1; }

private:
    std::size_t rows_ = 0;
    std::size_t shown_ = 0;
    std::size_t top_ = 0;
};

} // namespace vael
