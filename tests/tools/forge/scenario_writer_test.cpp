// The scenario compiler against hand-written bytes.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tools/forge/scenario_writer.h"

namespace vael::forge {
namespace {

TEST(ScenarioWriter, WritesTheScenarioFileOfAText) {
    const std::string text = "# a toy\n"
                             "title T\n"
                             "map m.map\n"
                             "group 5 Ab\n"
                             "home 2 7 30\n"
                             "visitor 3 3 20   # Indians\n"
                             "substitute 0 2\n"
                             "home-script h.pln\n"
                             "leader 2 9 5 101 3  2 4 5 3  Kar\n"
                             "skirmisher 2 8 5 102 3  2 5 0 1 10 3  Bow Men\n";
    const Bytes expected = {
        0x01, 0x00, 0x05, 0x00, 0x02, 0x00, 'A',  'b',  0x00, 0x00, // the group, the skipped two bytes
        0x01, 'T',  0x05, 'm',  '.',  'm',  'a',  'p',  0x00,       // title, map, no note
        0x02, 0x07, 0x1E, 0x03, 0x03, 0x14, 0x01, 0x00, 0x02,       // sides, one substitution
        0x01, 0x00, 0x05, 'h',  '.',  'p',  'l',  'n',              // one home script
        0x00, 0x03, 'K',  'a',  'r',  0x02, 0x09, 0x00, 0x05, 0x00, 0x4D, 0x04, 0x03, // leader at 1101
        0x02, 0x00, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00,                               // his ratings
        0x0A, 0x07, 'B',  'o',  'w',  ' ',  'M',  'e',  'n',  0x02, 0x08, 0x00, 0x05, 0x00,
        0x4E, 0x04, 0x03, 0x02, 0x00, 0x05, 0x00, 0x00, 0x01, 0x0A, 0x00, 0x03, 0x00, // size, TQ, one hex,
                                                                                      // arrows, 10, 3
    };
    EXPECT_EQ(scenarioBytes(text, 1000), expected);
    EXPECT_EQ(scenarioMapName(text), "m.map");
}

TEST(ScenarioWriter, RefusesAMalformedTextNamingTheLine) {
    const std::pair<const char*, const char*> rows[] = {
        {"home 2 7 30\nvisitor 3 3 20\nwizard 2 1\n", "line 3: unknown statement wizard"},
        {"home 2 7 30\nvisitor 3 3 20\nphalanx 2 6 1 101 3 8 7\n", "line 3: expected a value of the kind"},
        {"home 2 7 30\nvisitor 3 3 20\nphalanx 2 6 1 101 3 8 7 1\n", "line 3: a name of 1 to 255 characters"},
        {"home 2 7\n", "line 1: expected TQ points"},
        {"home 2 7 30\n", "a scenario needs a home and a visitor"},
    };
    for (const auto& [text, message] : rows) {
        SCOPED_TRACE(text);
        try {
            scenarioBytes(text, 1000);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

} // namespace
} // namespace vael::forge
