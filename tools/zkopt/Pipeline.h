// A pipeline config: the host registry read from an INI file, with its [pipeline] section naming
// the passes in order ("Class" or "Class:label", the label naming the settings section).
#pragma once
#include "tools/zkopt/Plugin.h"

#include <string>
#include <vector>

namespace zkopt {

struct PipelineStep {
    std::string className;
    std::string section; // the settings section: the label, or the class name
    int sectionIndex = -1;
};

struct Pipeline {
    Tam::Core::zkRegistry registry;
    std::vector<PipelineStep> steps;
    std::vector<std::pair<char, std::string>> drives; // drive.X = folder
};

// Reads and checks a whole config before anything runs: every pass a class that the loaded
// libraries registered as a pass, every section the settings of some pass of the pipeline, every
// key that looks like a field ('_' first) a field of the section's pass with a value that field
// takes, and every drive mapping well formed and naming an existing folder. Errors name the file
// and line.
bool loadPipeline(const std::string& path, const Plugin& plugin, Pipeline& pipeline, std::string& error);

// Sets a created pass's fields from its section: each key that names a registered field. A bad
// value is an error naming the file and line; keys that name no field are left for configure.
bool setPassFields(const Pipeline& pipeline, const PipelineStep& step, Tam::Core::zkObject* pass, std::string& error);

// Keys that nothing read: not a field, and not asked for by configure. "FILE:LINE: ..." each.
std::vector<std::string> unusedKeyWarnings(const Pipeline& pipeline);

} // namespace zkopt
