// A pipeline config: the host registry read from an INI file, with its [pipeline] section naming
// the passes in order ("Class" or "Class:label", the label naming the settings section).
#pragma once
#include "host/zkhost.h"

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

// Reads and checks a config: every pass class known to the host, every drive mapping well formed.
// Errors name the file and line.
bool loadPipeline(const std::string& path, Pipeline& pipeline, std::string& error);

// Sets a created pass's fields from its section: each key that names a registered field. A bad
// value is an error naming the file and line; keys that name no field are left for configure.
bool setPassFields(const Pipeline& pipeline, const PipelineStep& step, Tam::Core::zkObject* pass, std::string& error);

// Keys that nothing read: not a field, and not asked for by configure. "FILE:LINE: ..." each.
std::vector<std::string> unusedKeyWarnings(const Pipeline& pipeline);

} // namespace zkopt
