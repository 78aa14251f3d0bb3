#include "game/shell/information_dialogs.h"

#include <algorithm>

#include "framework/ui/font.h"
#include "framework/ui/text_wrap.h"

namespace vael {

// The message box.

InformationDlg::InformationDlg(WindowHandle parent, const std::string& firstLine, DialogShown shown,
                               const char* templateName)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), parent_(parent),
      templateName_(templateName), lines_{firstLine}, shown_(std::move(shown)) {}

void InformationDlg::addLine(const std::string& text) {
    if (lines_.size() < MaxLines)
        lines_.push_back(text);
    else
        lines_.back() += " " + text;
}

std::vector<std::string> InformationDlg::splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type from = 0;
    for (;;) {
        const std::string::size_type end = text.find('\n', from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) return lines;
        from = end + 1;
    }
}

std::int16_t InformationDlg::show(const std::string& caption) {
    caption_ = caption;
    const std::int16_t answer = create(templateName_, Modal, 0, parent_);
    // Cancel closes with 0 in the framework; a message box answers it as Cancel.
    return answer == IdOk ? std::int16_t(IdOk) : std::int16_t(IdCancel);
}

void InformationDlg::adjustTemplate(DialogTemplate& box) {
    if (okAlone_) {
        const auto byId = [](std::int16_t id) {
            return [id](const DialogItem& item) { return item.signedId() == id; };
        };
        const auto cancel = std::find_if(box.items.begin(), box.items.end(), byId(IdCancel));
        const auto ok = std::find_if(box.items.begin(), box.items.end(), byId(IdOk));
        if (cancel != box.items.end() && ok != box.items.end()) {
            ok->x = cancel->x;
            box.items.erase(cancel);
        }
    }
    auto row = std::find_if(box.items.begin(), box.items.end(),
                            [](const DialogItem& item) { return item.signedId() == IdLine3; });
    if (row == box.items.end()) return;
    const DialogItem last = *row;
    // The row's width in pixels as the dialog will convert it.
    DialogTemplate one;
    one.items.push_back(last);
    const std::vector<StaticText> converted =
        convertTemplate(one, DialogUnits::of(SystemAverageCharWidth, SystemAscent));
    if (converted.empty()) return;
    const std::int32_t width = converted.front().size.w;
    DialogFont font(TextTile::DefaultFont);
    const auto measure = [&font](const std::string& text) { return std::int32_t(font.textWidth(text)); };
    rows_.clear();
    for (const std::string& line : lines_)
        for (std::string& wrapped : wrapText(line, width, measure))
            rows_.push_back(std::move(wrapped));
    if (rows_.size() > MaxRows) {
        rows_.resize(MaxRows);
        std::string& end = rows_.back();
        while (!end.empty() && measure(end + "...") > width)
            end.pop_back();
        end += "...";
    }
    if (rows_.size() <= MaxLines) return;
    // Everything under the three rows (the buttons, the layout's placeholder) moves down by the rows added.
    const auto added = static_cast<std::int16_t>((rows_.size() - MaxLines) * RowHeight);
    for (DialogItem& item : box.items)
        if (item.y > last.y) item.y = static_cast<std::int16_t>(item.y + added);
    box.cy = static_cast<std::int16_t>(box.cy + added);
    const auto at = std::find_if(box.items.begin(), box.items.end(),
                                 [](const DialogItem& item) { return item.signedId() == IdLine3; });
    std::vector<DialogItem> more;
    for (std::size_t i = MaxLines; i < rows_.size(); ++i) {
        DialogItem next = last;
        next.id = static_cast<std::uint16_t>(IdLine1 + i);
        next.y = static_cast<std::int16_t>(last.y + (i - MaxLines + 1) * RowHeight);
        more.push_back(next);
    }
    box.items.insert(at + 1, more.begin(), more.end());
}

void InformationDlg::onInitDialog() {
    centre();
    if (!caption_.empty()) setCaption(caption_);
    // A template without its third row was left as it is: the lines go in as they stand.
    const std::vector<std::string>& shown = rows_.empty() ? lines_ : rows_;
    for (std::size_t i = 0; i < std::max(MaxLines, shown.size()); ++i)
        setItemText(static_cast<std::int16_t>(IdLine1 + i), i < shown.size() ? shown[i] : "");
    // The template's anonymous "Text" beside the buttons is a leftover of its layout, not a message.
    setItemText(-1, "");
    if (shown_) shown_(*this, templateName_);
}

void InformationDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk || id == IdCancel)
        close(static_cast<std::int16_t>(id));
    else
        Dialog::onCommand(id, notification);
}

// The end of the game.

std::string EndOfGameDlg::pictureGroup(std::uint32_t nation) {
    return "EndOfGame" + std::to_string(nation >= 1 && nation <= 9 ? nation : 1);
}

const char* EndOfGameDlg::pictureName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Won:
        return "Won";
    case Outcome::ConnectionLost:
        return "Connection lost";
    case Outcome::Lost:
        break;
    }
    return "Lost";
}

EndOfGameDlg::EndOfGameDlg(std::uint32_t nation, Outcome outcome, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""),
      Dialog("Dialog Bitmaps", pictureGroup(nation), pictureName(outcome)), nation_(nation),
      outcome_(outcome), shown_(std::move(shown)) {}

void EndOfGameDlg::onInitDialog() {
    centre();
    if (!overview) enableItem(IdOverview, 0);
    if (shown_) shown_(*this, TemplateName);
}

void EndOfGameDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose)
        close(1);
    else if (id == IdOverview && overview)
        overview();
    else
        Dialog::onCommand(id, notification);
}

} // namespace vael
