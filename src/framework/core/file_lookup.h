#pragma once
// Data files are named in the program as on a system that ignores case in file names ("OIFFILE.MAP",
// "Scen1.scn"), with "\" or "/" between folders; ours are lower case on disk. Every layer that opens a
// data file finds it here, so they all agree on which file a name means.
#include <filesystem>
#include <optional>
#include <string>

namespace vael {

// The existing file under dir whose relative name equals `name` without regard to case (an exact match
// first, else the first match in name order); nothing when there is none, when dir is empty, or when the
// name would lead out of dir (an absolute name, or a ".." step).
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& dir,
                                                    const std::string& name);
// As findFileNoCase, but the name's last step may be anything there: a folder, a FIFO, a device, a link
// to nothing.
std::optional<std::filesystem::path> findEntryNoCase(const std::filesystem::path& dir,
                                                     const std::string& name);
// Why the name finds no file under dir when something else stands in its place ("is a folder, not a file",
// "is not a regular file", after that thing's path, which goes to where), so that it is not told as
// missing; empty when a file is there, or nothing is.
std::string notAFile(const std::filesystem::path& dir, const std::string& name,
                     std::filesystem::path* where = nullptr);

} // namespace vael
