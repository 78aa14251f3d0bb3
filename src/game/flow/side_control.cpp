#include "game/flow/side_control.h"

#include "framework/core/application.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "game/flow/data_files.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/roll.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG3";

bool named(const List<std::string>& names, const std::string& name) {
    return names.contains(name);
}

ContainerBase* onLeaderControl(Component* target, BusMessage, ContainerBase* data) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, __LINE__);
    if (layer)
        callWithPayload<TeamInfoStruct>(data, sourceFile, __LINE__,
                                        [&](const TeamInfoStruct& team) { LeaderControl(*layer, team); });
    return nullptr;
}

ContainerBase* onEliteInitiative(Component* target, BusMessage, ContainerBase* data) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, __LINE__);
    if (!layer) return nullptr;
    std::uint16_t kind = 0;
    if (!callWithPayload<std::uint16_t, short>(data, sourceFile, __LINE__, [&](auto value) {
            kind = static_cast<std::uint16_t>(value);
            return true;
        }))
        return nullptr;
    return new Container<std::string>(EliteInitiative(*layer, kind));
}

std::uint32_t lastAIType(const SideControlServices& services) {
    const std::uint32_t t = services.readLastAIType ? services.readLastAIType() : 0;
    return t == 1 ? 1 : 0;
}

std::uint16_t pointsOf(const List<Combat*>& units) {
    int total = 0;
    for (Combat* unit : each(units))
        total += unit->pointValue();
    return static_cast<std::uint16_t>(total);
}

// Draws the side's plan, writes the choice back to the preference and makes the side's opponent.
void giveToComputer(VaelLogicalLayer& layer, bool visitor) {
    SideControlServices& services = layer.getSideControlServices();
    std::uint32_t t = lastAIType(services);
    const std::size_t plan = choosePlan(layer.getScriptKinds(visitor), t, Roll::rand);
    DynArray<std::string>& names = layer.getScriptNames(visitor);
    const std::string name =
        plan < layer.getScriptKinds(visitor).size() ? names[static_cast<std::int32_t>(plan)] : std::string();
    debugStream() << "The A/I team is playing with plan #" << plan << std::endl;
    debugStream() << "The script file name is " << name << std::endl;
    if (visitor || !layer.getOpponent(true))
        layer.setScriptFileName(name);
    else
        layer.setHomePlanName(name);
    createOpponent(layer, visitor, name);
    if (services.writeLastAIType) services.writeLastAIType(t);
}

} // namespace

void giveLocalSideToComputer(VaelLogicalLayer& layer, bool visitor) {
    for (Leader* leader : each(visitor ? layer.getVisitorLeaders() : layer.getHomeLeaders()))
        if (layer.isLocalLeader(leader)) {
            leader->setComputerControlled();
            layer.addComputerLeader(leader);
        }
    giveToComputer(layer, visitor);
}

std::size_t choosePlan(const std::vector<std::uint16_t>& kinds, std::uint32_t& lastType, int (*rand)()) {
    std::uint32_t t = lastType == 1 ? 1 : 0;
    std::size_t k = 0;
    for (std::uint16_t kind : kinds)
        if (kind != t) ++k;
    if (k == 0) {
        lastType = t;
        return kinds.empty() ? 0 : static_cast<std::size_t>(rand()) % kinds.size();
    }
    t = 1 - t;
    std::size_t r = static_cast<std::size_t>(rand()) % k + 1;
    std::size_t plan = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i] == t && --r == 0) {
            plan = i;
            break;
        }
    lastType = t;
    return plan;
}

std::string planPath(const std::string& name) {
    Application* app = Application::instance();
    const std::string directory = app ? app->dataPath(6) : std::string();
    const std::string found = name.empty() ? std::string() : findDataFile(directory, name);
    if (!found.empty()) return found;
    // Something in the plan's place that is no file (a FIFO, a folder) is named as it stands, so that the
    // reader says what it is; a plan that is not there by the path it was looked for at.
    if (const auto entry = name.empty() ? std::nullopt : findEntryNoCase(directory, name))
        return entry->string();
    return directory + "/" + name;
}

ComputerOpponent* addOpponent(VaelLogicalLayer& layer, bool visitor) {
    SideControlServices& services = layer.getSideControlServices();
    if (!services.makeOpponent) return nullptr;
    std::unique_ptr<ComputerOpponent> made = services.makeOpponent(layer.getVaelLandscape());
    if (!made) return nullptr;
    ComputerOpponent* opponent = made.get();
    layer.setOpponent(visitor, std::move(made));
    opponent->attach(layer);
    opponent->setUnitList(&layer.getUnits());
    opponent->setLeaderList(&layer.getLeaders());
    opponent->setSide(visitor, layer.getVisitorNation());
    return opponent;
}

ComputerOpponent* createOpponent(VaelLogicalLayer& layer, bool visitor, const std::string& plan) {
    ComputerOpponent* opponent = addOpponent(layer, visitor);
    if (!opponent) return nullptr;
    const std::string path = planPath(plan);
    debugStream() << "The A/I file full path is " << path << std::endl;
    // A side with no plan named is told so by the opponent, without a look at the plans' folder.
    opponent->compile(plan.empty() ? std::string() : path);
    return opponent;
}

void LeaderControl(VaelLogicalLayer& layer, const TeamInfoStruct& team) {
    bool network = false;
    for (bool visitor : {false, true}) {
        const List<std::string>& own = visitor ? team.visitorLeaders : team.homeLeaders;
        const List<std::string>& other = visitor ? team.homeLeaders : team.visitorLeaders;
        for (Leader* leader : each(visitor ? layer.getVisitorLeaders() : layer.getHomeLeaders())) {
            if (named(own, leader->getName())) {
                leader->initLocalLeader();
                layer.addLocalLeader(leader);
            } else if (!named(other, leader->getName())) {
                leader->initRemoteLeader();
                network = true;
            }
        }
    }
    SideControlServices& services = layer.getSideControlServices();
    if (!network) {
        bool homeComputer = false, visitorComputer = true;
        if (!layer.getCampaign()) {
            const auto flags =
                services.introDialog ? services.introDialog() : std::pair<bool, bool>{false, false};
            homeComputer = flags.first;
            visitorComputer = flags.second;
        }
        for (bool visitor : {false, true})
            if (visitor ? visitorComputer : homeComputer)
                for (Leader* leader : each(visitor ? layer.getVisitorLeaders() : layer.getHomeLeaders())) {
                    leader->setComputerControlled();
                    layer.addComputerLeader(leader);
                }
        // One opponent for each side the computer plays, the visitor's first.
        if (visitorComputer) giveToComputer(layer, true);
        if (homeComputer) giveToComputer(layer, false);

        ArmyRoutRequest request;
        request.homeName = team.homeName;
        request.visitorName = team.visitorName;
        request.homeTQPoints = layer.getHomeTQPoints();
        request.homeTotal = pointsOf(layer.getHomeUnits());
        request.visitorTQPoints = layer.getVisitorTQPoints();
        request.visitorTotal = pointsOf(layer.getVisitorUnits());
        request.flag = homeComputer && !visitorComputer ? 0 : 1;
        if (services.armyRoutDialog)
            if (const auto levels = services.armyRoutDialog(request)) {
                layer.setTQPoints(levels->first, levels->second);
                if (GameControl* control = layer.getGameControl()) {
                    control->setHomeTQLimit(static_cast<std::int16_t>(levels->first));
                    control->setVisitorTQLimit(static_cast<std::int16_t>(levels->second));
                }
            }
    }
    registerEliteInitiative(layer);
}

void registerEliteInitiative(VaelLogicalLayer& layer) {
    for (Leader* leader : each(layer.getLocalLeaders())) {
        if (layer.isComputerLeader(leader)) continue;
        if (leader->getName().find("Vael") != std::string::npos) {
            layer.connectNamed(msg::EliteInitiative, onEliteInitiative);
            return;
        }
    }
}

std::string EliteInitiative(VaelLogicalLayer& layer, std::uint16_t kind) {
    const SideControlServices& services = layer.getSideControlServices();
    if (kind == 0)
        return services.eliteInitDialog ? services.eliteInitDialog(layer.getHomeLeaders()) : std::string();
    if (!services.vaelEliteInitDialog || !services.vaelEliteInitDialog()) return std::string();
    for (Leader* leader : each(layer.getLeaders()))
        if (leader->getName().find("Vael") != std::string::npos) return leader->getName();
    return std::string();
}

void disconnectEliteInitiative(VaelLogicalLayer& layer) {
    layer.disconnectNamed(msg::EliteInitiative, onEliteInitiative);
}

void connectSideControl(VaelLogicalLayer& layer) {
    layer.connectNamed(msg::LeaderControl, onLeaderControl);
}

} // namespace vael
