#pragma once
// A data file the game can do without (a font, an image archive, the campaign, the display catalogue) that
// is not in the data folder: the game goes on without what it holds, or with the copy beside the program,
// and says so where the player looks. The trace
// always hears of it; the program entry adds its own report (standard error), tests theirs.
#include <functional>
#include <string>

namespace vael {

// path: the file looked for; problem: what is wrong ("is missing", or for something else in its place "is
// not a regular file", "is a folder, not a file"); instead: what the game does without it ("the game goes
// on without its campaign", "the game takes /cd/x.oif in its place").
using MissingDataFileReport =
    std::function<void(const std::string& path, const std::string& problem, const std::string& instead)>;
MissingDataFileReport setMissingDataFileReport(MissingDataFileReport report);
void reportMissingDataFile(const std::string& path, const std::string& instead);
// The same for a file the game cannot take because something other than a file stands in its place.
void reportUnusableDataFile(const std::string& path, const std::string& problem, const std::string& instead);

} // namespace vael
