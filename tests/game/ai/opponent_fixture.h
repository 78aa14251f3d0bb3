#pragma once
// The demonstration battle loaded into the game's logical layer with one computer opponent on it, a
// display double that ends every animation at once with its reply, and a way to run a plan script
// through a whole activation of one group's leader.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/list_walk.h"
#include "game/ai/vael_ai.h"
#include "game/flow/vael_logical_layer.h"
#include "support/failed_checks.h"
#include "support/flow/test_shell.h"
#include "support/rules/test_display.h"
#include "support/temp_dir.h"

namespace vael::test {

// Ends each unit's move at once: the map display answers "UnitMovement" with the move's reply when its
// animation is over.
class InstantMoves : public Component {
public:
    InstantMoves() : Component("Instant Moves") {}
    void connectHandlers() override { connectNamed("UnitMovement", onMovement); }

private:
    static ContainerBase* onMovement(Component* target, BusMessage, ContainerBase* data) {
        LogicalCommandInfo command;
        if (!Container<LogicalCommandInfo>::fromMessage(data, command) ||
            command.replyEvent.id() == NULL_EVENT)
            return nullptr;
        if (command.extra)
            target->send(command.replyEvent, command.extra.get());
        else
            target->sendEmpty(command.replyEvent);
        return nullptr;
    }
};

class OpponentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* texts[] = {"Interpretor Error",
                               "Conditions block not found.",
                               "Execution of Conditions block failed.",
                               "Exceptions block not found.",
                               "Execution of Exceptions block failed.",
                               "Orders block not found.",
                               "Execution of Orders block failed."};
        for (std::uint16_t id = 150; id <= 156; ++id)
            shell.strings[id] = texts[id - 150];
        shell.adopt(layer);
        ASSERT_TRUE(layer.LoadScenario(ScenarioInfoStruct{10, "Ghatmar", "GHATMAR.SCN", 0}));
        ai = makeOpponent();
        moves.attach(layer);
        watcher.attach(layer);
    }

    void TearDown() override {
        for (const std::string& text : checks.texts)
            ADD_FAILURE() << "failed check: " << text;
    }

    std::unique_ptr<VaelAI> makeOpponent() {
        auto made = std::make_unique<VaelAI>(layer.getVaelLandscape());
        made->attach(layer);
        made->setUnitList(&layer.getUnits());
        made->setLeaderList(&layer.getLeaders());
        return made;
    }

    // Compiles the script text as a plan file; 1 when it compiled.
    std::int32_t compile(const std::string& script, VaelAI* target = nullptr) {
        const auto file = dir / ("plan" + std::to_string(++files) + ".pln");
        std::ofstream(file) << script;
        return (target ? target : ai.get())->compile(file.string());
    }

    Group* group(const std::string& name) const {
        for (Item<Group*>* i = layer.getGroups().firstItem(i) ? i : nullptr; i; i = i->next)
            if (i->value->name == name) return i->value;
        return nullptr;
    }
    std::int32_t unitNumber(const std::string& name) const {
        if (VaelUnit* unit = layer.findCombatUnitByName(name)) return unit->getUnitNum();
        if (Leader* leader = layer.findLeaderByName(name)) return leader->getUnitNum();
        ADD_FAILURE() << "no unit " << name;
        return -1;
    }
    std::string number(const std::string& name) const { return std::to_string(unitNumber(name)); }

    // Stands a one-hex fighting unit on another hex of the field, facing as given.
    Combat* place(const std::string& name, std::int16_t hex, DIRECTION facing) {
        Combat* unit = layer.findCombatUnitByName(name);
        if (!unit) {
            ADD_FAILURE() << "no unit " << name;
            return nullptr;
        }
        layer.getVaelLandscape()->removeFromRegion(unit, static_cast<std::int16_t>(unit->getHex()));
        unit->setFacing(facing);
        unit->setHex(static_cast<std::uint16_t>(hex));
        layer.getVaelLandscape()->addToRegion(unit, hex);
        unit->rebuildZOC();
        return unit;
    }

    // Global variable i of the compiled script (declared first, in order).
    std::int32_t global(std::int32_t i) const { return ai->interpreter().cell(i); }

    TestShell shell{"", nullptr, VAEL_BUILD_DATA_DIR};
    VaelLogicalLayer layer;
    std::unique_ptr<VaelAI> ai;
    InstantMoves moves;
    TestDisplay watcher{{DISABLE_MENU_ITEM}, {"EndOrdersPhase", "InitAILeader"}};
    TempDir dir{"opponent"};
    int files = 0;
    FailedChecks checks;
};

// Rows of procedure answers: each runs "r = <expression>" after its setup in a Conditions table of its
// own opponent. The empty table ahead of it is the one the compile's reset runs, so the row runs once.
class ProcedureRows : public OpponentFixture {
protected:
    std::int32_t value(const std::string& setup, const std::string& expression) {
        auto fresh = makeOpponent();
        EXPECT_EQ(compile("S { Exceptions { }; Conditions { var r, a, b, c, d, x; " + setup +
                              " r = " + expression + "; }; }",
                          fresh.get()),
                  1)
            << expression;
        EXPECT_TRUE(fresh->runConditions()) << expression;
        return fresh->interpreter().cell(0);
    }
    struct Row {
        std::string setup, expression;
        std::int32_t expected;
    };
    void expectRows(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.setup + " r = " + row.expression);
            EXPECT_EQ(value(row.setup, row.expression), row.expected);
        }
    }
};

} // namespace vael::test
