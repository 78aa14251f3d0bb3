#pragma once
// What the program entry needs besides the game: one running game per user, and a reserve of memory that
// lets the player be asked what to do when memory runs out.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace vael {

// Holds the lock of a file for the life of the object; a second holder in any process is refused. Where the
// file cannot be kept, what stands in its place and is the player's own is locked instead: a folder of the
// lock's name, or a file where its folder should be. Where nothing stands there (the folder cannot be made),
// a file of the player's runtime folder named after the lock is, so that a second game of the same folder is
// refused all the same while games of other folders, or of other players, never meet it. Nothing further up
// the lock's path is locked: a folder there is shared by every folder under it, or by every player.
class SingleInstance {
public:
    explicit SingleInstance(const std::filesystem::path& lockFile,
                            const std::filesystem::path& runtimeFolder = userRuntimeFolder());
    // $XDG_RUNTIME_DIR when it names a folder by its full path, else /run/user/UID.
    static std::filesystem::path userRuntimeFolder();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    // True when this holder has the lock, or when nothing on the lock's path can be locked at all.
    bool acquired() const { return acquired_; }
    // Why the lock file itself could not be kept, and what was locked in its place; empty when it was.
    const std::string& problem() const { return problem_; }
    // The game's lock: "vael.lock" in the state directory.
    static std::filesystem::path gameLock();

private:
    int fd_ = -1;
    bool acquired_ = false;
    std::string problem_;
};

// A trace is emptied as it opens, so it never goes into a file the player keeps: one of kept (a path and
// what it is to him: "the saved game being loaded", "the settings file"), any file that holds a saved
// game's header, or a file the game reads from one of dataFolders: the same file by any path (a link, a
// hard link, another spelling of its folder), or a name the game would find there without regard to case.
// Empty when the trace may go to the file, else why not, naming it.
std::string traceKeptOff(const std::filesystem::path& trace,
                         const std::vector<std::pair<std::filesystem::path, std::string>>& kept,
                         const std::vector<std::filesystem::path>& dataFolders = {});

// The program's new-handler: frees the reserve and asks Retry or Cancel; Cancel ends the program (after
// the memory manager has been told), Retry tries the allocation again.
void outOfMemoryHandler();
// Sets aside the reserve and installs the handler, and the memory manager's error handler.
void installOutOfMemoryHandler();
// The system's own box (text, caption, buttons, icon), which needs no window of the game; nothing when no
// box can be shown.
using SystemBox = std::function<std::optional<platform::MessageAnswer>(
    const std::string& text, const std::string& caption, platform::MessageButtons, platform::MessageIcon)>;
// Failed checks and the memory manager's errors are asked of the player in that box, from the first moment
// of the program to its last, and the same words go to standard error: a terminal sees them even where no
// box can be shown. A failed check answered Yes, or asked where nobody can answer, throws its Assertion,
// which the program entry catches to end the game; No carries on. The box goes again with the reports'.
void installFailureReports(SystemBox box);
// The platform's own system box, for the reports once the platform stands; the platform must outlive
// the reports that use it.
SystemBox systemBoxOf(platform::Platform& platform);
void removeFailureReports();
// A data file the game does without (missing, something else in its place, damaged), named once on standard
// error after the program's name the first time it is missed.
void reportMissingDataFiles(const char* program = "vael");
// A write past the file-size limit would end the program by its signal, without a word and with the
// save's temporary file left beside the old one: ignored, the write fails ("File too large") and the save
// says so and cleans up.
void ignoreFileSizeSignal();
// Plays the game to its end. A failed check the player chose to abort on (or that nobody could be asked
// about), memory that could not be had, and any other fault that reaches here end the game with exit
// status 1 and its words on standard error and in the trace, never by the runtime's abort.
int playToTheEnd(const std::function<int()>& game);

} // namespace vael
