#include "game/flow/data_files.h"

#include <strings.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace vael {

std::string chooseDataDirectory(const std::string& settingsPath, const char* environmentPath,
                                const std::string& buildDirectory) {
    if (!settingsPath.empty()) return settingsPath;
    if (environmentPath && *environmentPath) return environmentPath;
    return buildDirectory;
}

std::string findDataFile(const std::string& directory, const std::string& name) {
    namespace fs = std::filesystem;
    if (name.empty() || name.front() == '/' || name.front() == '\\') return {};
    std::vector<std::string> steps(1);
    for (char c : name) {
        if (c == '/' || c == '\\')
            steps.emplace_back();
        else
            steps.back() += c;
    }
    std::error_code error;
    fs::path at = directory.empty() ? fs::path(".") : fs::path(directory);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        if (step.empty() || step == ".") continue;
        if (step == "..") return {};
        const bool last = i + 1 == steps.size();
        const auto fits = [&](const fs::path& p) {
            return last ? fs::is_regular_file(p, error) : fs::is_directory(p, error);
        };
        if (fits(at / step)) {
            at /= step;
            continue;
        }
        fs::path best;
        for (fs::directory_iterator it(at, error), end; !error && it != end; it.increment(error)) {
            const std::string entry = it->path().filename().string();
            if (::strcasecmp(entry.c_str(), step.c_str()) == 0 && fits(it->path()) &&
                (best.empty() || entry < best.filename().string()))
                best = it->path();
        }
        if (best.empty()) return {};
        at = best;
    }
    return fs::is_regular_file(at, error) ? at.string() : std::string();
}

} // namespace vael
