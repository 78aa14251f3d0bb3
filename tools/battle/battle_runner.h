#pragma once
// Plays one battle of the data directory with both sides given to the computer, with no window, on the
// headless platform's virtual clock, every random number drawn from the seed. It is the backbone of the
// end-to-end tests and of the whole-battle benchmark, and what `vael-battle` runs.
#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vael::battle {

struct BattleOptions {
    std::string dataDir;
    std::string scenario; // the scenario file's name in the data directory, found without regard to case
    std::uint32_t seed = 1;
    std::int32_t turnCap = 40;
    // Messages the program may handle before a battle that has not ended is taken for a hang.
    std::int64_t taskCap = 2'000'000;
    // Saves the battle at the start of the N-th activation (from 1); with a battle loaded, 0 saves it
    // right after loading.
    std::int32_t saveAt = -1;
    // Saves the battle once it has handled N messages, at the first moment from there on that the game's
    // own Save Game would save it (which may fall anywhere in an activation); -1: never. The file's
    // description keeps the dice, so that a battle loaded from it draws on as the unbroken one.
    std::int64_t saveAtStep = -1;
    std::string saveFile;
    // A saved game of the scenario to go on from.
    std::string loadFile;
    // How the commentary's bold marks are written out: as they are, removed, or as a terminal's bold.
    enum class Marks { Kept, Removed, Terminal } marks = Marks::Kept;
    // Plays every animation on the game's two display layers and their display objects, which give every
    // reply, instead of answering it at once.
    bool display = false;
    // Network play: host the battle on this port (0: any free port, told on standard error), the home
    // side played here; or join the host at joinHost:joinPort, the visitor side played here. Each machine's
    // side is given to the computer.
    std::int32_t hostPort = -1;
    std::string joinHost;
    std::uint16_t joinPort = 0;
    // How long to wait for the other machine, in real milliseconds.
    std::int32_t networkWait = 60000;
    // The clock the wait to meet the other machine is measured by: the real one unless a test gives its own.
    std::function<std::chrono::steady_clock::time_point()> clock;
    // Told the port the host listens on, once it listens.
    std::ostream* portNotice = nullptr;
    // The preference "Last A/I Type" the battle draws its plans by: 0, as a fresh install has it, draws
    // plans of kind 1, and 1 draws plans of kind 0 (lastAITypeDrawing).
    std::uint32_t lastAIType = 0;
    // False: the lines go only to the output stream and are counted, so that a long battle's memory
    // does not grow with what was said.
    bool keepCommentary = true;
    // A test's way to lose this machine at a point of the battle rather than of the clock: once the N-th
    // line of commentary has been written out, the signal is raised here (SIGKILL, or SIGSTOP to freeze
    // it with its line open). 0: never.
    std::size_t signalAtLine = 0;
    int signalToRaise = 0;
    // A test's way to put words in this machine's mouth that its battle never said: once the N-th line of
    // commentary has been written out, these bytes (whole frames, as any program could write them) go to
    // the other machine on the line. 0: never.
    std::size_t forgeAtLine = 0;
    std::string forgedBytes;
    // A test's way to lose the line under a given frame: the first batch this machine would send that holds
    // a message of this name is not sent, and the connection is closed in its place without a word.
    std::string cutBefore;
};

// NotSaved: the battle ended before the activation it was to be saved at; it was played to its end and
// nothing was saved.
enum class BattleStatus { Ended, TurnCap, Stalled, TaskCap, LoadFailed, SaveFailed, Disconnected, NotSaved };

struct SideLosses {
    std::string name;
    std::int16_t lostTQ = 0, tqLimit = 0, routedTQ = 0, routing = 0, eliminated = 0;
};

struct BattleOutcome {
    BattleStatus status = BattleStatus::Stalled;
    std::string message;                   // why a battle did not end
    std::vector<std::string> commentary;   // empty unless the options keep it
    std::size_t commentaryLines = 0;       // every line said, kept or not
    std::vector<std::string> failedChecks; // what the assertion routine reported; the battle went on
    std::vector<std::string> messageBoxes; // the texts of the message boxes shown, each answered at once
    std::vector<std::string> plans;        // the plan scripts the computer drew (or a loaded game named),
                                           // the visitor's first
    std::string winner;                    // a nation's name; empty when nobody won
    std::int32_t turns = 0;
    std::int32_t activations = 0;
    std::size_t commentaryAtSave = 0; // the lines said before the battle was saved
    std::int64_t savedAtStep = -1;    // the message a save asked for by step was made before

    std::int64_t tasks = 0;
    SideLosses home, visitor;
};

// With the display, its timers tick for as long as a flag waves, so the loop never runs out of things to
// do: the battle stands still when nothing of the rules (what is said, who is active, the turn) has moved
// for ten minutes of the game's clock (the slowest animation takes seconds) and no display object owes
// the rules a reply. Between two machines rules that stand still wait for the other one, which is no
// stall: the runner waits for the network then.
class StandStill {
public:
    struct Mark {
        std::size_t said = 0;
        std::int32_t activations = 0, turnsBegun = 0, turn = 0;
        bool operator==(const Mark&) const = default;
    };
    static constexpr std::uint32_t WaitMs = 10 * 60 * 1000;

    // Told what the rules show at the game's clock's now; asks whether a reply is owed only once they have
    // stood still for the whole wait.
    bool stalled(const Mark& mark, std::uint32_t now, const std::function<bool()>& owesAReply);

private:
    bool seen_ = false;
    Mark last_;
    std::uint32_t since_ = 0;
};

// The kind of plans a run of seeds plays at a seed: kind 0 at the odd seeds, kind 1 at the even ones, so
// that every plan of a side is played over any run of seeds. The tool, the balance table and the sweeps
// all draw by it.
std::uint32_t planKindOfSeed(std::uint32_t seed);

// The preference "Last A/I Type" under which both sides draw plans of that kind (0 or 1): the draw takes
// the kind the preference did not name last time.
std::uint32_t lastAITypeDrawing(std::uint32_t planKind);

// Each commentary line goes to out (when given) as it comes.
BattleOutcome playBattle(const BattleOptions& options, std::ostream* out = nullptr);

// The outcome as the tool prints it after the commentary.
void printOutcome(const BattleOutcome& outcome, std::ostream& out);

} // namespace vael::battle
