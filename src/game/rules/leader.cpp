#include "game/rules/leader.h"

namespace vael {

Leader::Leader(const LeaderUnitData& record, const char* name)
    : VaelUnit(record, name), commandRange_(record.commandRange), initiative_(record.initiative) {}

} // namespace vael
