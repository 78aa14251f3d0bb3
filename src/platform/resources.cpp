#include "platform/resources.h"

#include <strings.h>

namespace vael::platform {

// Made by the build from the files under resources/, in order of kind and name.
extern const Resource builtInResources[];
extern const int builtInResourceCount;

namespace {
bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}
} // namespace

const Resource* findResource(std::string_view kind, std::string_view name) {
    for (int i = 0; i < builtInResourceCount; ++i)
        if (sameNoCase(builtInResources[i].kind, kind) && sameNoCase(builtInResources[i].name, name))
            return &builtInResources[i];
    return nullptr;
}

std::vector<const Resource*> resourcesOfKind(std::string_view kind) {
    std::vector<const Resource*> found;
    for (int i = 0; i < builtInResourceCount; ++i)
        if (sameNoCase(builtInResources[i].kind, kind)) found.push_back(&builtInResources[i]);
    return found;
}

} // namespace vael::platform
