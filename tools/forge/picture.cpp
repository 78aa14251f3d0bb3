#include "tools/forge/picture.h"

#include <cstdlib>
#include <stdexcept>

namespace vael::forge {

void Picture::fillEllipse(int cx, int cy, int rx, int ry, std::uint8_t colour) {
    for (int y = -ry; y <= ry; ++y)
        for (int x = -rx; x <= rx; ++x)
            if (x * x * ry * ry + y * y * rx * rx <= rx * rx * ry * ry) set(cx + x, cy + y, colour);
}

void Picture::fillRect(int x, int y, int w, int h, std::uint8_t colour) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            set(i, j, colour);
}

void Picture::line(int x0, int y0, int x1, int y1, std::uint8_t colour) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        set(x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * error;
        if (e2 >= dy) error += dy, x0 += sx;
        if (e2 <= dx) error += dx, y0 += sy;
    }
}

Bytes Picture::rawRows() const {
    const int padding = (4 - width_ % 4) % 4;
    Bytes b;
    for (int y = 0; y < height_; ++y) {
        b.insert(b.end(), pixels_.begin() + y * width_, pixels_.begin() + (y + 1) * width_);
        b.resize(b.size() + static_cast<std::size_t>(padding), 0);
    }
    return b;
}

Bytes Picture::runLengthRows(bool shadows) const {
    constexpr int MaxLength = 0xFFF;
    Bytes out;
    for (int y = 0; y < height_; ++y) {
        Bytes row{0, 0};
        int x = 0;
        while (x < width_) {
            const std::uint8_t first = at(x, y);
            const int kind = first == 0 ? 0 : shadows && first == 255 ? 4 : 2;
            int n = 1;
            while (x + n < width_ && n < MaxLength) {
                const std::uint8_t next = at(x + n, y);
                const int nextKind = next == 0 ? 0 : shadows && next == 255 ? 4 : 2;
                if (nextKind != kind) break;
                ++n;
            }
            row.push_back(static_cast<std::uint8_t>(n & 0xFF));
            row.push_back(static_cast<std::uint8_t>(kind << 4 | n >> 8));
            if (kind == 2)
                for (int i = 0; i < n; ++i)
                    row.push_back(at(x + i, y));
            x += n;
        }
        if (row.size() > MaxLength) throw std::length_error("run-length row too long");
        row[0] = static_cast<std::uint8_t>(row.size() & 0xFF);
        row[1] = static_cast<std::uint8_t>(row.size() >> 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace vael::forge
