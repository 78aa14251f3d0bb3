#pragma once
// A data file the game can do without (a font, an image archive, the campaign, the display catalogue) that
// is not there: the game goes on without what it holds, and says so where the player looks. The trace
// always hears of it; the program entry adds its own report (standard error), tests theirs.
#include <functional>
#include <string>

namespace vael {

// path: the file looked for; without: what the game goes on without ("its campaign").
using MissingDataFileReport = std::function<void(const std::string& path, const std::string& without)>;
MissingDataFileReport setMissingDataFileReport(MissingDataFileReport report);
void reportMissingDataFile(const std::string& path, const std::string& without);

} // namespace vael
