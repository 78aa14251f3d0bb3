#pragma once
// The head of a display object's record of what it had under way: whether its flag is raised, its leader
// waves and its command is finished, what a rampage keeps for it (moves and turns), and the commands still
// queued on it. The display reads it to play on, and a game without the display to answer at once what the
// commands owe: one reader, so that neither takes what the other refuses.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/list.h"

namespace vael {

struct QueuedUnderWay {
    std::uint16_t raised = 0, waving = 0, finished = 0;
    std::int16_t toKeep = 0;
    List<List<short>> kept;
    List<DIRECTION> facings;
    std::vector<LogicalCommandInfo> commands;
};

// False when the bytes run short (why left empty) or hold what no battle saves (why says what).
bool readQueuedUnderWay(std::istream& in, QueuedUnderWay& queued, std::string& why);

// The replies the display gives the rules when it has played a command: a command that owes another (a
// name the game does not know, one letter of a name changed) would be answered to nobody, and the battle
// would wait for it for ever.
bool isDisplayReply(const BusMessage& reply);

// VaelPhysicalLayers::repliesOwedIn, and why the record is refused when it is there and holds what no
// battle saves (told as the display tells the same record); problem is empty otherwise.
bool repliesOwedIn(const std::vector<std::uint8_t>& bytes, std::vector<LogicalCommandInfo>& owed,
                   std::size_t* recordAt, std::string& problem);

} // namespace vael
