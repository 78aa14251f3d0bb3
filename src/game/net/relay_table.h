#pragma once
// The messages the network component passes between the machines of a game, and which way each goes. The
// host drives the game: the phase and turn messages go only from it to the others; the others' orders and
// results come to it; commentary and leader activations go both ways. A few results that the rules make
// on the acting machine are not sent as messages: the other machines take them with the state of the
// units that follows every step, so that no machine plays a step twice with dice of its own.
#include <cstdint>
#include <vector>

#include "framework/core/bus_message.h"

namespace vael {

enum class RelayWay : std::uint8_t {
    FromHost, // sent by the host, taken by the others
    ToHost,   // sent by the others, taken by the host
    BothWays, // sent and taken by every machine
    ByState,  // not sent: the units' state carries what it did
};

struct RelayRow {
    const char* name; // the registered name, or null for a numbered built-in event
    std::int32_t number;
    RelayWay way;
    // The other machine takes over here: the units' state goes with the message, ahead of it.
    bool handover;
    // A question whose answer is the other machine's: the host waits for it and takes it as the reply.
    bool answered;
    // An animation the acting machine's rules wait on: the other machine's display plays it as it comes,
    // without the reply, so that its figures walk and fight in step with the commentary while its rules
    // wait for the state.
    bool display = false;
};

const std::vector<RelayRow>& relayTable();
// The row of the event, or null when the relay does not know it.
const RelayRow* relayRowOf(BusMessage event);
// Whether this machine (the host or not) writes the message to the other machine, and whether it takes
// the message when the other machine sends it.
bool relaysOut(const RelayRow& row, bool host);
bool takesIn(const RelayRow& row, bool host);

} // namespace vael
