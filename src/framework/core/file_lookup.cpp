#include "framework/core/file_lookup.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace vael {

namespace {

// Case is folded for ASCII letters only, as the names the program uses are ASCII; a byte beyond it has
// to match exactly rather than by whatever the locale of the day says.
bool sameIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

} // namespace

namespace {

// The entry the name finds: a regular file, or with anyKind whatever stands at the last step.
std::optional<std::filesystem::path> find(const std::filesystem::path& dir, const std::string& name,
                                          bool anyKind) {
    std::vector<std::string> steps;
    std::string step;
    for (char c : name + '/') {
        if (c != '/' && c != '\\') {
            step += c;
            continue;
        }
        if (step == "..") return std::nullopt;
        if (!step.empty() && step != ".") steps.push_back(step);
        step.clear();
    }
    // No data directory is no directory at all, not the current one.
    if (dir.empty() || steps.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;

    std::error_code error;
    std::filesystem::path at = dir;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const bool last = i + 1 == steps.size();
        auto exact = at / steps[i];
        if (last ? (anyKind ? std::filesystem::exists(std::filesystem::symlink_status(exact, error))
                            : std::filesystem::is_regular_file(exact, error))
                 : std::filesystem::is_directory(exact, error)) {
            at = std::move(exact);
            continue;
        }
        std::optional<std::filesystem::path> best;
        for (std::filesystem::directory_iterator it(at, error), end; !error && it != end;
             it.increment(error)) {
            const std::string entry = it->path().filename().string();
            if (!sameIgnoringCase(entry, steps[i])) continue;
            if (last ? !anyKind && !it->is_regular_file(error) : !it->is_directory(error)) continue;
            if (!best || entry < best->filename().string()) best = it->path();
        }
        if (!best) return std::nullopt;
        at = std::move(*best);
    }
    return at;
}

} // namespace

std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& dir,
                                                    const std::string& name) {
    return find(dir, name, false);
}

std::optional<std::filesystem::path> findEntryNoCase(const std::filesystem::path& dir,
                                                     const std::string& name) {
    return find(dir, name, true);
}

std::string notAFile(const std::filesystem::path& dir, const std::string& name,
                     std::filesystem::path* where) {
    if (findFileNoCase(dir, name)) return {};
    const auto entry = findEntryNoCase(dir, name);
    if (!entry) return {};
    if (where) *where = *entry;
    std::error_code error;
    // In the words the file reader gives the same things.
    return std::filesystem::is_directory(*entry, error) ? "is a folder, not a file" : "is not a regular file";
}

} // namespace vael
