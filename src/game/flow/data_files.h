#pragma once
// Where the game's data lies and how its files are found. The data files are named as on a system that
// ignores case in file names ("Ghatmar.SCN"), with "\" or "/" between folders.
#include <string>

namespace vael {

// The data directory: the settings' "Path" when it is set, else the environment's VAEL_DATA when set,
// else the data directory the build wrote.
std::string chooseDataDirectory(const std::string& settingsPath, const char* environmentPath,
                                const std::string& buildDirectory);

// The path of the existing file under directory whose name equals name without regard to case, as
// findFileNoCase finds it, for the flow's callers that keep paths as text; empty when there is none.
std::string findDataFile(const std::string& directory, const std::string& name);

// A name of a file of one folder: no folder part, no way out of it. Empty is no file at all (a plan left
// out), which callers that need a name refuse themselves.
bool plainFileName(const std::string& name);

} // namespace vael
