#pragma once
// Test double of the game's application shell, as far as the logical layer uses it: the data directory
// (chosen from the settings' path, the environment and the build's directory as the shell chooses it),
// the string table's nation names, the main window that shows the battle's title, and the prototypes the
// shell registers at start. The real shell replaces it without changing the code under test.
#include <string>
#include <vector>

#include "game/flow/data_files.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "support/test_application.h"

namespace vael::test {

class TestShell : public TestApplication {
public:
    TestShell(const std::string& settingsPath, const char* environmentPath = nullptr,
              const std::string& buildDirectory = "") {
        dataPath() = chooseDataDirectory(settingsPath, environmentPath, buildDirectory);
        const char* names[] = {"Greek", "Macedonian", "Persian", "Danubian", "Indian", "Scythian"};
        for (std::uint16_t id = 31; id <= 36; ++id)
            strings[id] = names[id - 31];
    }

    // The layer the shell owns: attached below the application with the prototypes registered and the
    // title going to the main window.
    void adopt(VaelLogicalLayer& layer) {
        registerUnitPrototypes(layer);
        layer.setTitleSink([this](const std::string& title) { mainWindowTitles.push_back(title); });
        layer.attach(*this);
    }

    std::vector<std::string> mainWindowTitles;
};

} // namespace vael::test
