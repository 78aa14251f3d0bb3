#pragma once
// Compiles the battles we author as readable text into the game's scenario files and logical map files,
// and copies their plan scripts, so that the build's data directory holds every battle.
//
// Scenario text (one statement per line, '#' starts a comment; hexes are column * 100 + row, the map's
// hex offset is added on writing; nations are the scenario file's nation codes):
//   title <text>                       the battle's title
//   map <file>                         the logical map file, compiled from <file>.txt beside the scenario
//   note <text>                        the text stored after the map's name (the game does not read it)
//   group <number> <name>              a group of units under one leader
//   home <nation> <rout direction> <TQ points>
//   visitor <nation> <rout direction> <TQ points>
//   substitute <from nation> <to nation>   the units of the first nation fight as the second's (the first
//                                          substitution of a nation holds); after them every unit's nation
//                                          must be the home's or the visitor's
//   home-script <file>, visitor-script <file>
//   <kind> <nation> <value> <group> <hex> <facing> <values of the kind>... <name>
// Kinds and their further values: leader (shock precedence, command range, initiative, duel rating);
// hoplite, lancer, hypaspist, phalanx (size, TQ, two-hex flag); heavycav (size, TQ, two-hex flag,
// cataphract flag); oxybele, lightcav, chariot, lightinf, mediuminf, skirmisher, peltast (size, TQ,
// two-hex flag, missile code, two values); elephant (those of the missile kinds and one more). A kind may
// also be given by its record number.
#include <cstdint>
#include <filesystem>
#include <string>

#include "tools/forge/archive_writer.h"

namespace vael::forge {

// The scenario file's bytes; a malformed text throws std::invalid_argument naming the line.
Bytes scenarioBytes(const std::string& text, std::uint16_t hexOffset);
// The logical map file named in a scenario text's "map" statement.
std::string scenarioMapName(const std::string& text);

// Compiles every "*.scn.txt" under sources (with the map each names) into directory, and copies the plan
// scripts ("*.pln") and the scenarios' variant lists ("*.var"). False, with the reason, when a source is
// malformed or a file cannot be written.
bool forgeScenarios(const std::filesystem::path& sources, const std::filesystem::path& directory,
                    std::string& error);

} // namespace vael::forge
