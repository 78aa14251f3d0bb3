#pragma once
// The army commander of the one side. He is worth twice an ordinary leader, and when he falls no one
// replaces him: he leaves play and the battle ends.
#include "game/rules/leaders/leader.h"

namespace vael {

class Vaelmoric : public Leader {
public:
    Vaelmoric(const LeaderUnitData& record, const char* name) : Leader(record, name) {}

    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t pointValue() override { return static_cast<std::int16_t>(initiative_ * 10); }
    void eliminate() override;
    std::uint16_t fallPoints() const override { return static_cast<std::uint16_t>(getBaseInitiative() * 10); }

protected:
    // A commander killed stays out of play.
    void restoreReplacement() override {}
    bool takesReplacement() const override { return false; }
};

// The army commander of the other side, who always bears his royal name. His fall, like Vaelmoric's,
// scores twice and ends the battle, though his worth while he lives is an ordinary leader's.
class Tezhar : public Leader {
public:
    static constexpr const char* royalName = "Tezhar III";

    Tezhar(const LeaderUnitData& record, const char*) : Leader(record, royalName) {}

    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    void eliminate() override;
    std::uint16_t fallPoints() const override { return static_cast<std::uint16_t>(getBaseInitiative() * 10); }

protected:
    void restoreReplacement() override {}
    bool takesReplacement() const override { return false; }
};

} // namespace vael
