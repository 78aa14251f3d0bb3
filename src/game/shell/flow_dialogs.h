#pragma once
// The small questions and reports of a leader's turn: whether to try momentum and how the try went, what
// a volley did, how a rally went, whether a unit withdraws before an approaching enemy, and whether the
// player really ends his orders. Each is modal and closes with the answer its caller reads; the reports'
// "never show this again" boxes are read whichever way the dialog is closed, so that a player who ticks
// one and presses Escape is not asked again either.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/ui/dialog.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "MomentumDlg": Yes closes with 1, No, Escape and the window closed with 0.
class MomentumDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "MomentumDlg";
    static constexpr std::int16_t IdYes = 1, IdNo = 2;
    explicit MomentumDlg(DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    DialogShown shown_;
};

// "InitiativeResults": whether the leader kept the initiative; OK closes with 1, Escape with 0.
class InitiativeResultsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "InitiativeResults";
    static constexpr std::int16_t IdText = 101, IdNeverShow = 201, IdNeverShowText = 102;
    static std::string lineOf(const std::string& leader, bool succeeded);

    InitiativeResultsDlg(const std::string& leader, bool succeeded, DialogShown shown = {});
    bool neverShowAgain() const { return neverShow_; }
    void onInitDialog() override;
    void close(std::int16_t value) override;

private:
    std::string line_;
    DialogShown shown_;
    bool neverShow_ = false;
};

// "MissileResults": the target of a volley and the cohesion hits it took; OK closes with 1, Escape 0.
class MissileResultsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "MissileResults";
    static constexpr std::int16_t IdFirst = 101, IdSecond = 102, IdNeverShow = 201;
    // The two lines: "<target> is hit.  It suffers" over "<n> cohesion hits." (one hit in the singular);
    // a volley that did nothing is "missed" and "no cohesion hits.". Negative counts are no hits.
    static std::pair<std::string, std::string> linesOf(const std::string& target, std::int16_t hits);

    MissileResultsDlg(const std::string& target, std::int16_t hits, DialogShown shown = {});
    bool neverShowAgain() const { return neverShow_; }
    void onInitDialog() override;
    void close(std::int16_t value) override;

private:
    std::pair<std::string, std::string> lines_;
    DialogShown shown_;
    bool neverShow_ = false;
};

// One rally as the rules resolved it.
struct RallyResult {
    std::string unit;
    std::int16_t roll = 0; // the die, 0 to 9
    bool rallied = false;
    std::int16_t recovered = 0; // cohesion hits taken off when it rallied
};

// "RallyDlg" ("Rally Results"): three lines; OK closes with 1, Escape with 0. There is no help file, so
// Help is greyed.
class RallyDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "RallyDlg";
    static constexpr std::int16_t IdHelp = 9, IdLine1 = 101, IdLine2 = 102, IdLine3 = 103;
    static std::vector<std::string> linesOf(const RallyResult& result);

    RallyDlg(const RallyResult& result, DialogShown shown = {});
    void onInitDialog() override;

private:
    std::vector<std::string> lines_;
    DialogShown shown_;
};

// "OWDlg": may a unit withdraw before the enemy approaching it? Yes closes with 1, No and Escape with 0;
// Help is greyed.
class OWDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "OWDlg";
    static constexpr std::int16_t IdYes = 1, IdNo = 2, IdHelp = 9, IdFirst = 101, IdSecond = 102;
    static std::pair<std::string, std::string> linesOf(const std::string& unit,
                                                       const std::string& approacher);

    OWDlg(const std::string& unit, const std::string& approacher, DialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    std::pair<std::string, std::string> lines_;
    DialogShown shown_;
};

// "EndOrdersDlg": Yes closes with 1, No and Escape with 0; the box says whether to ask again.
class EndOrdersDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "EndOrdersDlg";
    static constexpr std::int16_t IdYes = 1, IdNo = 2, IdNeverAsk = 101;
    explicit EndOrdersDlg(DialogShown shown = {});
    bool neverAskAgain() const { return neverAsk_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void close(std::int16_t value) override;

private:
    DialogShown shown_;
    bool neverAsk_ = false;
};

} // namespace vael
