#include "game/flow/data_files.h"

#include "framework/core/file_lookup.h"

namespace vael {

std::string chooseDataDirectory(const std::string& settingsPath, const char* environmentPath,
                                const std::string& buildDirectory) {
    if (!settingsPath.empty()) return settingsPath;
    if (environmentPath && *environmentPath) return environmentPath;
    return buildDirectory;
}

std::string findDataFile(const std::string& directory, const std::string& name) {
    const auto found = findFileNoCase(directory, name);
    return found ? found->string() : std::string();
}

bool plainFileName(const std::string& name) {
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos && name != "." && name != "..";
}

} // namespace vael
