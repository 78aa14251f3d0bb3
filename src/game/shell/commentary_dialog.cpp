#include "game/shell/commentary_dialog.h"

#include "framework/core/payload_check.h"
#include "game/shell/shell_message_names.h"

namespace vael {

CommentaryLine commentaryRuns(const std::string& text) {
    CommentaryLine line;
    CommentaryRun run;
    auto flush = [&] {
        if (!run.text.empty()) line.push_back(run);
        run.text.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'B' || text[i + 1] == 'b')) {
            const bool bold = text[i + 1] == 'B';
            if (bold != run.bold) {
                flush();
                run.bold = bold;
            }
            ++i;
            continue;
        }
        run.text += text[i];
    }
    flush();
    return line;
}

std::string plainCommentary(const std::string& text) {
    std::string out;
    for (const CommentaryRun& run : commentaryRuns(text))
        out += run.text;
    return out;
}

std::string terminalCommentary(const std::string& text) {
    std::string out;
    for (const CommentaryRun& run : commentaryRuns(text))
        out += run.bold ? "\x1b[1m" + run.text + "\x1b[0m" : run.text;
    return out;
}

void CommentaryDlg::connectHandlers() {
    connectNamed(msg::AddCommentary, onAddCommentary);
}

void CommentaryDlg::addLine(const std::string& text) {
    lines_.push_back(commentaryRuns(text));
    while (lines_.size() > MaxLines)
        lines_.pop_front();
    if (onLine) onLine(lines_.back());
}

ContainerBase* CommentaryDlg::onAddCommentary(Component* target, BusMessage, ContainerBase* data) {
    callWithPayload<std::string>(data, "CMTRYDLG", __LINE__, [&](const std::string& text) {
        static_cast<CommentaryDlg*>(target)->addLine(text);
    });
    return nullptr;
}

} // namespace vael
