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

// The reader substitutes a unit's nation as it makes the unit: the file keeps the nation of the text.
TEST(ScenarioWriter, KeepsASubstitutedUnitsOwnNationInTheFile) {
    const std::string text = "home 2 7 30\n"
                             "visitor 1 3 20\n"
                             "hoplite 0 6 1 101 3 4 6 0 Hill Men\n"
                             "substitute 0 2\n";
    const Bytes expected = {
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,       // no group, the skipped two, no title, map or note
        0x02, 0x07, 0x1E, 0x01, 0x03, 0x14, 0x01, 0x00, 0x02, // sides, the substitution written after them
        0x00, 0x00,                                           // no scripts
        0x06, 0x08, 'H', 'i', 'l', 'l', ' ', 'M', 'e', 'n', 0x00, 0x06, 0x00, 0x01, 0x00, 0x65, 0x00, 0x03,
        0x04, 0x00, 0x06, 0x00, 0x00, // nation 0 as written; size, TQ, one hex
    };
    EXPECT_EQ(scenarioBytes(text, 0), expected);
}

// A battle has two sides: every unit and leader must be of the home's or the visitor's nation once the
// substitutions are made, wherever they stand in the text; the first substitution of a nation holds, and
// a substituted nation is not substituted again.
TEST(ScenarioWriter, RefusesAUnitOfANationOfNeitherSide) {
    const std::string sides = "home 2 7 30\nvisitor 1 3 20\n";
    const std::string hoplite = "hoplite 0 6 1 101 3 4 6 0 Hill Men\n";
    const std::string leader = "leader 4 8 2 102 3 1 4 4 2 Voruk\n";
    const std::string refusedHoplite = "line 3: Hill Men of nation 0 fights for neither the home (2) nor the "
                                       "visitor (1): a battle has two sides; substitute his nation by one of "
                                       "theirs";
    const std::pair<std::string, std::string> rows[] = {
        {sides + hoplite, refusedHoplite},
        {sides + "leader 2 8 1 100 3 1 4 4 2 Kar\n" + leader,
         "line 4: Voruk of nation 4 fights for neither the home (2) nor the visitor (1): a battle has two sides; "
         "substitute his nation by one of theirs"},
        {sides + hoplite + "substitute 0 4\n", refusedHoplite},
        {sides + hoplite + "substitute 0 5\nsubstitute 0 2\n", refusedHoplite},
        {sides + hoplite + "substitute 0 4\nsubstitute 4 2\n", refusedHoplite},
        {sides + hoplite + "substitute 5 2\n", refusedHoplite},
        {"visitor 1 3 20\n" + hoplite + "home 3 7 30\n",
         "line 2: Hill Men of nation 0 fights for neither the home (3) nor the visitor (1): a battle has two "
         "sides; substitute his nation by one of theirs"},
    };
    for (const auto& [text, message] : rows) {
        SCOPED_TRACE(text);
        try {
            scenarioBytes(text, 0);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    const std::string accepted[] = {
        sides + "hoplite 2 6 1 101 3 4 6 0 Own Men\nhoplite 1 6 4 201 7 4 6 0 Their Men\n",
        sides + hoplite + "substitute 0 2\n",
        sides + "substitute 0 1\n" + hoplite,
        sides + hoplite + "substitute 0 2\nsubstitute 0 5\n",
        sides + leader + "substitute 4 1\n",
        sides + "hoplite 2 6 1 101 3 4 6 0 Own Men\nsubstitute 2 1\n",
        "visitor 1 3 20\n" + hoplite + "home 0 7 30\n",
    };
    for (const std::string& text : accepted) {
        SCOPED_TRACE(text);
        EXPECT_NO_THROW(scenarioBytes(text, 0));
    }
}

} // namespace
} // namespace vael::forge
