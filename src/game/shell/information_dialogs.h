#pragma once
// The game's own message box and the picture that ends a battle. The message box takes up to three lines
// (longer texts are folded into the last one, so nothing a caller says is lost); each line is wrapped to the
// box's width and the box grows downwards to show every row, so that a long reason or path is read whole.
// The end of the game shows this machine's nation as victor or vanquished until the player closes it.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ui/dialog.h"
#include "game/shell/game_dialogs.h"

namespace vael {

class InformationDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "VaelMessageBox";
    // The same box with Yes (1) and No (2) for OK and Cancel: a question whose No keeps things as they are.
    static constexpr const char* YesNoTemplateName = "YesNoDlg";
    static constexpr std::int16_t IdLine1 = 101, IdLine2 = 102, IdLine3 = 103;
    static constexpr std::size_t MaxLines = 3;
    // The rows beyond the template's three take the ids after IdLine3, each one row lower. The box grows no
    // taller than this many rows, which a frame of 768 pixels holds; a text longer still ends its last row
    // with "...".
    static constexpr std::size_t MaxRows = 30;
    static constexpr std::int16_t RowHeight = 10; // template units
    // The parent is 0 for the main window.
    InformationDlg(WindowHandle parent, const std::string& firstLine, DialogShown shown = {},
                   const char* templateName = TemplateName);
    // A fourth line and beyond go onto the third, after a space.
    void addLine(const std::string& text);
    const std::vector<std::string>& lines() const { return lines_; }
    // The rows shown, once the box is open.
    const std::vector<std::string>& rows() const { return rows_; }
    // Shown modally: 1 for OK, 2 for Cancel (and for Escape or the window closed).
    std::int16_t show(const std::string& caption = "");
    // A notice, which has nothing to cancel: OK alone, where Cancel stands in a question.
    void okAlone() { okAlone_ = true; }
    // The lines of a text by its line breaks.
    static std::vector<std::string> splitLines(const std::string& text);

    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

protected:
    void adjustTemplate(DialogTemplate& box) override;

private:
    WindowHandle parent_;
    const char* templateName_;
    std::vector<std::string> lines_;
    std::vector<std::string> rows_;
    std::string caption_;
    DialogShown shown_;
    bool okAlone_ = false;
};

// "EndOfGameDlg": the picture of this machine's nation, won or lost (or lost because the connection was:
// no army of it was broken then); "Close" ends it with 1, "Overview" shows how the battle went without
// closing it (greyed when nobody can tell).
class EndOfGameDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "EndOfGameDlg";
    static constexpr std::int16_t IdClose = 1, IdOverview = 101;
    enum class Outcome { Won, Lost, ConnectionLost };
    // The pictures' group in "Dialog Bitmaps" for a nation (1 to 9; anything else has the first), and the
    // picture's name in it.
    static std::string pictureGroup(std::uint32_t nation);
    static const char* pictureName(Outcome outcome);
    static const char* pictureName(bool won) { return pictureName(won ? Outcome::Won : Outcome::Lost); }

    EndOfGameDlg(std::uint32_t nation, bool won, DialogShown shown = {})
        : EndOfGameDlg(nation, won ? Outcome::Won : Outcome::Lost, std::move(shown)) {}
    EndOfGameDlg(std::uint32_t nation, Outcome outcome, DialogShown shown = {});
    std::function<void()> overview;
    std::uint32_t nation() const { return nation_; }
    bool won() const { return outcome_ == Outcome::Won; }
    Outcome outcome() const { return outcome_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    std::uint32_t nation_;
    Outcome outcome_;
    DialogShown shown_;
};

} // namespace vael
