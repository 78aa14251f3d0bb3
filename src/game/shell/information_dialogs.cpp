#include "game/shell/information_dialogs.h"

namespace vael {

// The message box.

InformationDlg::InformationDlg(WindowHandle parent, const std::string& firstLine, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      parent_(parent), lines_{firstLine}, shown_(std::move(shown)) {}

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
    const std::int16_t answer = create(TemplateName, Modal, 0, parent_);
    // Cancel closes with 0 in the framework; a message box answers it as Cancel.
    return answer == IdOk ? std::int16_t(IdOk) : std::int16_t(IdCancel);
}

void InformationDlg::onInitDialog() {
    centre();
    if (!caption_.empty()) setCaption(caption_);
    const std::int16_t ids[MaxLines] = {IdLine1, IdLine2, IdLine3};
    for (std::size_t i = 0; i < MaxLines; ++i)
        setItemText(ids[i], i < lines_.size() ? lines_[i] : "");
    // The template's anonymous "Text" beside the buttons is a leftover of its layout, not a message.
    setItemText(-1, "");
    if (shown_) shown_(*this, TemplateName);
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

EndOfGameDlg::EndOfGameDlg(std::uint32_t nation, bool won, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", pictureGroup(nation), pictureName(won)),
      nation_(nation), won_(won), shown_(std::move(shown)) {}

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
