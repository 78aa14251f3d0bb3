#include "framework/core/format_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/core/application.h"
#include "framework/core/assertion.h"

namespace vael {

namespace {
const char* const ErrorTitle = "TARQEL Error";
} // namespace

FormatBuffer::FormatBuffer() : FormatBuffer(DefaultLineWidth, DefaultMaxLines) {}

// The lines bound the buffer, so the byte buffer underneath keeps everything: were it capped, it would
// drop lines behind the line count's back.
FormatBuffer::FormatBuffer(std::int32_t lineWidth, std::int32_t maxLines)
    : SuperString(0), maxLines_(maxLines), lineWidth_(lineWidth) {
    if (lineWidth_ < 2 || lineWidth_ > Chunk::Capacity || maxLines_ < 1) {
        Assertion::fail("Text buffer of " + std::to_string(lineWidth) + " columns and " +
                            std::to_string(maxLines) + " lines: columns must lie between 2 and " +
                            std::to_string(Chunk::Capacity) + ", lines must be at least 1",
                        "format_buffer.cpp", __LINE__);
        lineWidth_ = std::clamp<std::int32_t>(lineWidth_, 2, Chunk::Capacity);
        maxLines_ = std::max<std::int32_t>(maxLines_, 1);
    }
    lineText_.assign(static_cast<std::size_t>(lineWidth_) + 1, 0);
    currentLine_ = first_;
}

std::int16_t FormatBuffer::write(const void* data, std::int32_t count) {
    if (!data) return 1;
    const char* text = static_cast<const char*>(data);
    if (count == 0) count = static_cast<std::int32_t>(std::strlen(text));
    for (std::int32_t i = 0; i < count; ++i) {
        const char c = text[i];
        if (c == '\n') continue;
        if (c != '\r' && last_->length >= lineWidth_ - 1 && !newLine()) return 0;
        last_->data[last_->length++] = c;
        last_->data[last_->length] = 0;
        ++length_;
        if (c == '\r' && !newLine()) return 0;
    }
    return 1;
}

std::int16_t FormatBuffer::newLine() {
    ++lastLine_;
    if (lastLine_ >= maxLines_) {
        --lastLine_;
        ++droppedLines_;
        if (first_ == last_) {
            // A buffer of one line starts that line again.
            dropFirstChunk();
            first_->tag = static_cast<std::uint32_t>(lastLine_ + droppedLines_);
            currentLine_ = first_;
            return 1;
        }
        if (currentLine_ == first_) currentLine_ = first_->next; // never left on a line that goes
        dropFirstChunk();
    }
    if (!addChunk()) return 0;
    last_->tag = static_cast<std::uint32_t>(lastLine_ + droppedLines_);
    if (!currentLine_) currentLine_ = first_;
    return 1;
}

Chunk* FormatBuffer::lineChunk(std::int32_t n) const {
    if (n < 0) return nullptr;
    Chunk* c = first_;
    for (std::int32_t i = 0; c && i < n; ++i)
        c = c->next;
    return c;
}

const char* FormatBuffer::textOf(const Chunk* chunk) {
    if (!chunk) return nullptr;
    const auto n = static_cast<std::size_t>(std::min<std::int32_t>(chunk->length, lineWidth_));
    std::memcpy(lineText_.data(), chunk->data, n);
    lineText_[n] = 0;
    return lineText_.data();
}

const char* FormatBuffer::line(std::int32_t n) {
    Chunk* c = lineChunk(n);
    if (!c) return nullptr;
    currentLine_ = c;
    return textOf(c);
}

const char* FormatBuffer::nextLine() {
    if (!currentLine_ || !currentLine_->next) return nullptr;
    currentLine_ = currentLine_->next;
    return textOf(currentLine_);
}

const char* FormatBuffer::currentLineText() {
    return textOf(currentLine_);
}

const char* FormatBuffer::lastLineText() {
    currentLine_ = last_;
    return textOf(last_);
}

std::int32_t FormatBuffer::moveCurrent(std::int32_t n) {
    if (!currentLine_) currentLine_ = first_;
    for (; n > 0 && currentLine_->next; --n)
        currentLine_ = currentLine_->next;
    for (; n < 0 && currentLine_->prev; ++n)
        currentLine_ = currentLine_->prev;
    return static_cast<std::int32_t>(currentLine_->tag) - droppedLines_;
}

void FormatBuffer::deleteLastCharacter() {
    if (last_->length == 0) return;
    last_->data[--last_->length] = 0;
    --length_;
}

void FormatBuffer::clear() {
    SuperString::clear();
    lastLine_ = 0;
    first_->tag = static_cast<std::uint32_t>(droppedLines_);
    currentLine_ = first_;
}

std::int32_t FormatBuffer::extract(std::string& out, char delimiter) {
    const std::int32_t before = chunkCount();
    const std::int32_t at = SuperString::extract(out, delimiter);
    // The lines it deleted may have held the current line.
    if (const std::int32_t gone = before - chunkCount(); gone > 0) {
        lastLine_ -= gone;
        droppedLines_ += gone;
        currentLine_ = first_;
    }
    return at;
}

std::int16_t FormatBuffer::copyToClipboard(Display* window, std::int32_t firstLine, std::int32_t firstColumn,
                                           std::int32_t lastLine, std::int32_t lastColumn) {
    const Chunk* c = lineChunk(firstLine);
    Application* app = Application::instance();
    if (!c || !app || lastLine < firstLine) return 0;
    std::string text;
    try {
        auto part = [](const Chunk* chunk, std::int32_t from, std::int32_t to) {
            from = std::clamp<std::int32_t>(from, 0, chunk->length);
            to = std::clamp<std::int32_t>(to, from, chunk->length);
            return std::string(chunk->data + from, chunk->data + to);
        };
        if (lastLine == firstLine) {
            text = part(c, firstColumn, lastColumn + 1);
        } else {
            text = part(c, firstColumn, c->length);
            std::int32_t n = firstLine + 1;
            for (c = c->next; c && n < lastLine; c = c->next, ++n)
                text += part(c, 0, c->length);
            if (c) text += part(c, 0, lastColumn + 1);
        }
    } catch (const std::bad_alloc&) {
        app->messageBox("Out of memory--unable to transfer to clipboard", ErrorTitle,
                        MessageBoxIconExclamation);
        return 0;
    }
    if (!app->openClipboard(window)) {
        app->messageBox("Clipboard error--unable to transfer text", ErrorTitle, MessageBoxIconExclamation);
        return 0;
    }
    app->emptyClipboard();
    const std::int16_t done = app->setClipboardText(text);
    app->closeClipboard();
    return done ? 1 : 0;
}

} // namespace vael
