#pragma once
// The program's resources (accelerator tables, the string table, and later menus and dialog templates):
// readable text files of ours under resources/<kind>/<name>.txt, built into the program. They are found by
// kind and name without regard to case, as the system finds resources.
#include <string>
#include <string_view>
#include <vector>

namespace vael::platform {

struct Resource {
    std::string_view kind; // the folder: "accelerators", "strings", ...
    std::string_view name; // the file name without ".txt"
    std::string_view text;
};

// The resource of that kind and name; null when there is none.
const Resource* findResource(std::string_view kind, std::string_view name);
// Every resource of that kind, in order of name.
std::vector<const Resource*> resourcesOfKind(std::string_view kind);

} // namespace vael::platform
