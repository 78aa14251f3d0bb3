#include "game/shell/commentary_dialog.h"

#include "framework/core/payload_check.h"
#include "game/flow/commentary_text.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/flow_message_names.h"
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
        // A backslash of the text itself (a name's), which the mark after it must not take for its own.
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            run.text += text[++i];
            continue;
        }
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

std::vector<CommentaryLine> wrapCommentary(const CommentaryLine& line, std::int32_t width,
                                           const CommentaryMeasure& measure) {
    std::vector<CommentaryLine> rows(1);
    std::int32_t used = 0;
    const auto put = [&](const std::string& text, bool bold) {
        CommentaryLine& row = rows.back();
        if (!row.empty() && row.back().bold == bold)
            row.back().text += text;
        else
            row.push_back({text, bold});
        used += measure(text, bold);
    };
    const auto fits = [&](const std::string& text, bool bold) { return used + measure(text, bold) <= width; };
    // The spaces a row ended on belong to the break, not to the row.
    const auto newRow = [&] {
        CommentaryLine& row = rows.back();
        while (!row.empty()) {
            std::string& text = row.back().text;
            text.erase(text.find_last_not_of(' ') + 1);
            if (!text.empty()) break;
            row.pop_back();
        }
        rows.emplace_back();
        used = 0;
    };
    for (const CommentaryRun& run : line) {
        // Each piece is a word with the spaces before it.
        for (std::size_t at = 0; at < run.text.size();) {
            const std::size_t word = run.text.find_first_not_of(' ', at);
            const std::size_t end = word == std::string::npos ? run.text.size() : run.text.find(' ', word);
            const std::size_t stop = end == std::string::npos ? run.text.size() : end;
            std::string piece = run.text.substr(at, stop - at);
            at = stop;
            if (fits(piece, run.bold)) {
                put(piece, run.bold);
                continue;
            }
            if (used > 0) {
                newRow();
                piece.erase(0, piece.find_first_not_of(' '));
                if (piece.empty()) continue;
                if (fits(piece, run.bold)) {
                    put(piece, run.bold);
                    continue;
                }
            }
            // A word wider than a whole row is broken where the row ends, at least one letter a row.
            while (!piece.empty()) {
                std::size_t n = 1;
                while (n < piece.size() && fits(piece.substr(0, n + 1), run.bold))
                    ++n;
                put(piece.substr(0, n), run.bold);
                piece.erase(0, n);
                if (!piece.empty()) newRow();
            }
        }
    }
    return rows;
}

std::string endOfBattleCommentary(const EndOfGameResults& r) {
    if (r.winner == 0) return "The battle is over, and nobody has won it.";
    const bool homeWon = r.winner == r.homeNation;
    // The names may be another machine's words.
    const std::string winner = commentaryText(homeWon ? r.homeName : r.visitorName);
    const std::string loser = commentaryText(homeWon ? r.visitorName : r.homeName);
    const std::int16_t lost = homeWon ? r.visitorLostTQ : r.homeLostTQ;
    const std::int16_t limit = homeWon ? r.visitorTQLimit : r.homeTQLimit;
    const std::string won = "The \\B" + winner + "\\b army wins the battle.";
    if (lost < limit) return "The battle is over. " + won;
    return "The \\B" + loser + "\\b army has lost " + std::to_string(lost) + " TQ points, its rout limit is " +
           std::to_string(limit) + ": it routs from the field. " + won;
}

void CommentaryDlg::connectHandlers() {
    connectNamed(msg::AddCommentary, onAddCommentary);
    connectNamed(msg::EndOfGame, onEndOfGame);
}

void CommentaryDlg::addLine(const std::string& text) {
    lines_.push_back(commentaryRuns(text));
    while (lines_.size() > MaxLines) {
        lines_.pop_front();
        ++dropped_;
    }
    if (onLine) onLine(lines_.back());
}

ContainerBase* CommentaryDlg::onAddCommentary(Component* target, BusMessage, ContainerBase* data) {
    callWithPayload<std::string>(data, "CMTRYDLG", __LINE__, [&](const std::string& text) {
        static_cast<CommentaryDlg*>(target)->addLine(text);
    });
    return nullptr;
}

ContainerBase* CommentaryDlg::onEndOfGame(Component* target, BusMessage, ContainerBase* data) {
    callWithPayload<EndOfGameResults>(data, "CMTRYDLG", __LINE__, [&](const EndOfGameResults& results) {
        static_cast<CommentaryDlg*>(target)->addLine(endOfBattleCommentary(results));
    });
    return nullptr;
}

} // namespace vael
