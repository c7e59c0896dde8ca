// One zkopt run over a small scene in a folder of its own: the driver tests' common set-up.
#pragma once
#include "Run.h"

#include <string>
#include <vector>

// A scene of two groups with flags ("root" 0x30 holding "child" 0x21), saved at folder/in.zks.json.
std::string writeFlagScene(const std::string& folder);

struct DriverCase {
    std::string folder, input, config, output, report;
    // Writes the scene and the config text ini as folder/p.ini.
    DriverCase(const std::string& name, const std::string& ini);
    // zkopt [extra...] run --config CONFIG --report REPORT INPUT OUTPUT, the extra arguments
    // given before the command.
    RunResult run(const std::vector<std::string>& options = {}, const std::vector<std::string>& before = {}) const;
};
