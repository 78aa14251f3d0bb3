// Every library exports src/ as one include folder, so a header of a layer above can be included from
// below and, being only declarations, still builds. These tests read the tree instead: every #include
// under src/ and tools/, and every library's link line, must stay within what its folder may use.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vael {
namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string folder; // from the top of the tree
    std::set<std::string> mayUse;
    bool anything = false; // the program's own assembly sees every layer
    // The sub-folders of one library that group its files by concern; they include each other freely, and
    // a file in a sub-folder not named here has no place yet.
    std::set<std::string> parts = {};
};

const std::vector<Layer>& layers() {
    static const std::vector<Layer> table = {
        // The reading of whole files, beneath both the framework and the platform.
        {"src/base", {}},
        {"src/platform", {"src/base"}},
        {"src/platform/headless", {"src/platform"}},
        {"src/platform/sdl", {"src/platform"}},
        {"src/framework/core", {"src/base"}},
        {"src/framework/ui", {"src/framework/core", "src/platform"}},
        {"src/framework/display", {"src/framework/core", "src/framework/ui", "src/platform"}},
        {"src/framework/sound", {"src/framework/core", "src/platform"}},
        {"src/framework/comm", {"src/framework/core", "src/platform"}},
        {"src/game/rules",
         {"src/framework/core"},
         false,
         {"landscape", "units", "combat", "leaders", "rout"}},
        {"src/game/flow", {"src/framework/core", "src/game/rules"}},
        {"src/game/ai", {"src/framework/core", "src/game/rules", "src/game/flow"}},
        // The game physical layer reads the flow's combat records; it drives the display objects through
        // the interface it declares, which the figures implement, so it never sees them.
        {"src/game/map",
         {"src/framework/core", "src/framework/display", "src/framework/ui", "src/game/rules",
          "src/game/flow", "src/game/sound"}},
        {"src/game/figures",
         {"src/framework/core", "src/framework/display", "src/game/map", "src/game/rules", "src/game/flow",
          "src/game/sound"}},
        // The sound manager draws its choices of wave from the game's dice, so that a battle rolls the same
        // with sound on and off.
        {"src/game/sound", {"src/framework/core", "src/framework/sound", "src/game/rules", "src/platform"}},
        // The dialogs that bring the machines together are the network's own.
        {"src/game/net",
         {"src/framework/core", "src/framework/comm", "src/framework/ui", "src/game/rules", "src/game/flow"}},
        {"src/game/shell", {}, true},
        // The data generator writes the files the layers read, so it sees their formats.
        {"tools/forge",
         {"src/framework/core", "src/framework/display", "src/game/rules", "src/game/map",
          "src/game/figures"}},
        {"tools/battle", {}, true},
    };
    return table;
}

// The layer a file belongs to: the longest folder of the table that holds it.
const Layer* layerOf(const std::string& relative) {
    const Layer* best = nullptr;
    for (const Layer& layer : layers())
        if (relative.starts_with(layer.folder + "/") && (!best || layer.folder.size() > best->folder.size()))
            best = &layer;
    return best;
}

bool mayInclude(const Layer& from, const Layer& to) {
    return &from == &to || from.anything || from.mayUse.count(to.folder) != 0;
}

// The third-party libraries that stand for the operating system or draw the data set: only the
// platform's real backend and the data generator may see them.
bool thirdPartyAllowed(const std::string& header, const Layer& from) {
    const bool sdl = header.starts_with("SDL") || header.starts_with("SDL2/");
    const bool cairo = header.starts_with("cairo");
    if (!sdl && !cairo) return true;
    if (from.anything || from.folder == "tools/forge") return true;
    return sdl && from.folder == "src/platform/sdl";
}

std::string relativeTo(const fs::path& top, const fs::path& file) {
    return fs::relative(file, top).generic_string();
}

// One line per forbidden or unresolvable include, "file:line: why", in path order.
std::vector<std::string> includeFaults(const fs::path& top) {
    static const std::regex quoted(R"(^\s*#\s*include\s*"([^"]+)\")");
    static const std::regex angled(R"(^\s*#\s*include\s*<([^>]+)>)");
    std::vector<fs::path> files;
    for (const char* root : {"src", "tools"}) {
        if (!fs::exists(top / root)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top / root)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".inc"))
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());

    std::vector<std::string> faults;
    for (const fs::path& file : files) {
        const std::string name = relativeTo(top, file);
        const Layer* from = layerOf(name);
        if (!from) {
            faults.push_back(name + ": lies in no folder of the layer table");
            continue;
        }
        const std::string within = name.substr(from->folder.size() + 1);
        if (!from->parts.empty() && within.find('/') != std::string::npos &&
            !from->parts.count(within.substr(0, within.find('/')))) {
            faults.push_back(name + ": lies in a sub-folder of " + from->folder +
                             " that the layer table does not name");
            continue;
        }
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string at = name + ":" + std::to_string(number) + ": ";
            std::smatch match;
            if (std::regex_search(line, match, angled)) {
                if (!thirdPartyAllowed(match[1], *from))
                    faults.push_back(at + "includes <" + match[1].str() + ">, which " + from->folder +
                                     " may not use");
                continue;
            }
            if (!std::regex_search(line, match, quoted)) continue;
            const std::string header = match[1];
            // As the compiler looks: beside the including file first, then the include folders.
            fs::path found;
            for (const fs::path& candidate :
                 {file.parent_path() / header, top / "src" / header, top / header})
                if (fs::is_regular_file(candidate)) {
                    found = candidate;
                    break;
                }
            if (found.empty()) {
                faults.push_back(at + "includes \"" + header + "\", which is not in the tree");
                continue;
            }
            const Layer* to = layerOf(relativeTo(top, fs::weakly_canonical(found)));
            if (!to)
                faults.push_back(at + "includes \"" + header +
                                 "\", which lies in no folder of the layer table");
            else if (!mayInclude(*from, *to))
                faults.push_back(at + "includes \"" + header + "\" of " + to->folder + ", which " +
                                 from->folder + " may not use");
        }
    }
    return faults;
}

// The build writes one line per library: "FOLDER<tab>TARGET<tab>dep;dep;..." (tests/CMakeLists.txt).
std::vector<std::string> linkFaults(std::istream& links) {
    struct Library {
        std::string folder, target, deps;
    };
    std::vector<Library> libraries;
    std::map<std::string, std::string> folderOf;
    std::string line;
    while (std::getline(links, line)) {
        if (line.empty()) continue;
        std::stringstream fields(line);
        Library library;
        std::getline(fields, library.folder, '\t');
        std::getline(fields, library.target, '\t');
        std::getline(fields, library.deps);
        folderOf[library.target] = library.folder;
        libraries.push_back(library);
    }
    const auto layerOfFolder = [](const std::string& folder) -> const Layer* {
        for (const Layer& layer : layers())
            if (layer.folder == folder) return &layer;
        return nullptr;
    };
    std::vector<std::string> faults;
    for (const Library& library : libraries) {
        const Layer* from = layerOfFolder(library.folder);
        if (!from) {
            faults.push_back(library.target + " of " + library.folder +
                             ": a folder in no row of the layer table");
            continue;
        }
        std::stringstream deps(library.deps);
        std::string dep;
        while (std::getline(deps, dep, ';')) {
            if (!dep.starts_with("vael_")) continue; // a system library
            const auto folder = folderOf.find(dep);
            const Layer* to = folder == folderOf.end() ? nullptr : layerOfFolder(folder->second);
            if (!to)
                faults.push_back(library.target + " links " + dep + ", which is no library of a layer");
            else if (!mayInclude(*from, *to))
                faults.push_back(library.target + " links " + dep + " of " + to->folder + ", which " +
                                 from->folder + " may not use");
        }
    }
    return faults;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(Layers, EveryIncludeOfTheTreeStaysWithinItsLayer) {
    const std::vector<std::string> faults = includeFaults(VAEL_SOURCE_DIR);
    EXPECT_TRUE(faults.empty()) << joined(faults);
}

TEST(Layers, EveryLibraryLinksOnlyWhatItsLayerMayUse) {
    std::ifstream links(VAEL_LAYER_LINKS);
    ASSERT_TRUE(links) << VAEL_LAYER_LINKS;
    const std::vector<std::string> faults = linkFaults(links);
    EXPECT_TRUE(faults.empty()) << joined(faults);
}

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// The check itself, on a small tree of its own: each kind of fault is named by file and line, and what
// may be included passes.
TEST(Layers, AForbiddenIncludeIsNamedByFileAndLine) {
    test::TempDir top("layers-tree");
    write(top / "src/framework/core/list.h", "#pragma once\n");
    write(top / "src/framework/ui/window.h", "#pragma once\n#include \"framework/core/list.h\"\n");
    write(top / "src/game/rules/unit.h", "#pragma once\n#include \"framework/core/list.h\"\n"
                                         "#include \"framework/ui/window.h\"\n#include <vector>\n");
    write(top / "src/game/rules/unit.cpp", "#include \"unit.h\"\n#include <SDL.h>\n");
    write(top / "src/game/flow/phase.cpp",
          "#include \"game/rules/unit.h\"\n#include \"game/rules/gone.h\"\n");
    write(top / "src/platform/sdl/window.cpp",
          "#include <SDL.h>\n#include \"platform/sdl/../../game/flow/x.h\"\n");
    write(top / "src/game/flow/x.h", "#pragma once\n");
    write(top / "src/game/shell/main.cpp",
          "#include \"framework/ui/window.h\"\n#include \"game/flow/x.h\"\n");
    write(top / "tools/forge/forge.cpp", "#include \"game/rules/unit.h\"\n#include <cairo.h>\n"
                                         "#include \"game/flow/x.h\"\n");
    write(top / "src/stray/thing.cpp", "\n");
    write(top / "src/game/rules/combat/shock.cpp",
          "#include \"game/rules/unit.h\"\n#include \"../unit.h\"\n");
    write(top / "src/game/rules/leaders/leader.h", "#include \"game/rules/combat/shock.cpp\"\n");
    write(top / "src/game/rules/misc/odd.h", "#pragma once\n");
    EXPECT_EQ(
        joined(includeFaults(top.path())),
        "src/game/flow/phase.cpp:2: includes \"game/rules/gone.h\", which is not in the tree\n"
        "src/game/rules/misc/odd.h: lies in a sub-folder of src/game/rules that the layer table does not "
        "name\n"
        "src/game/rules/unit.cpp:2: includes <SDL.h>, which src/game/rules may not use\n"
        "src/game/rules/unit.h:3: includes \"framework/ui/window.h\" of src/framework/ui, which "
        "src/game/rules may not use\n"
        "src/platform/sdl/window.cpp:2: includes \"platform/sdl/../../game/flow/x.h\" of src/game/flow, "
        "which src/platform/sdl may not use\n"
        "src/stray/thing.cpp: lies in no folder of the layer table\n"
        "tools/forge/forge.cpp:3: includes \"game/flow/x.h\" of src/game/flow, which tools/forge may not "
        "use\n");
}

// The figures see the map, the map sees the figures only through the interface it declares; the data
// generator sees both.
TEST(Layers, TheMapNeverIncludesTheFigures) {
    test::TempDir top("layers-figures");
    write(top / "src/game/map/vael_display_object.h", "#pragma once\n");
    write(top / "src/game/figures/vael_physical_object.h",
          "#pragma once\n#include \"game/map/vael_display_object.h\"\n");
    write(top / "src/game/map/vael_physical_layer.cpp", "#include \"game/map/vael_display_object.h\"\n"
                                                        "#include \"game/figures/vael_physical_object.h\"\n");
    write(top / "tools/forge/forge.cpp", "#include \"game/figures/vael_physical_object.h\"\n"
                                         "#include \"game/map/vael_display_object.h\"\n");
    EXPECT_EQ(joined(includeFaults(top.path())),
              "src/game/map/vael_physical_layer.cpp:2: includes \"game/figures/vael_physical_object.h\" of "
              "src/game/figures, which src/game/map may not use\n");
    std::istringstream links("src/game/map\tvael_map\tvael_core;vael_figures\n"
                             "src/game/figures\tvael_figures\tvael_core;vael_map\n"
                             "src/framework/core\tvael_core\t\n");
    EXPECT_EQ(joined(linkFaults(links)),
              "vael_map links vael_figures of src/game/figures, which src/game/map may not use\n");
}

TEST(Layers, AForbiddenLinkIsNamedByLibrary) {
    std::istringstream links(
        "src/framework/core\tvael_core\t\n"
        "src/game/rules\tvael_rules\tvael_core\n"
        "src/framework/ui\tvael_ui\tvael_core;vael_platform\n"
        "src/platform\tvael_platform\t\n"
        "src/game/flow\tvael_flow\tvael_core;vael_rules;vael_ui\n"
        "src/platform/sdl\tvael_platform_sdl\tvael_platform;SDL2::SDL2\n"
        "src/framework/display\tvael_display\tvael_core;vael_ui;vael_platform;vael_extra\n"
        "src/game/shell\tvael_game\tvael_display;vael_flow;vael_platform_sdl\n"
        "src/stray\tvael_stray\tvael_core\n");
    EXPECT_EQ(joined(linkFaults(links)),
              "vael_flow links vael_ui of src/framework/ui, which src/game/flow may not use\n"
              "vael_display links vael_extra, which is no library of a layer\n"
              "vael_stray of src/stray: a folder in no row of the layer table\n");
}

} // namespace
} // namespace vael
