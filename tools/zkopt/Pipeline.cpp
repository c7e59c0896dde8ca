#include "tools/zkopt/Pipeline.h"

#include "tools/zkopt/FieldText.h"
#include "tools/zkopt/Paths.h"

#include <cctype>
#include <sstream>

namespace zkopt {

using namespace Tam::Core;

static std::string at(const zkRegistry& registry, int line)
{
    return registry.getFileName() + ":" + std::to_string(line) + ": ";
}

// A key given again later in its section is replaced by the later one, for checking as for
// setting; it counts as used, so that it draws no warning.
static bool superseded(const zkRegistry& registry, int section, const zkRegistry::Entry& e)
{
    if (registry.findEntry(section, e.key.c_str()) == &e) return false;
    e.used = true;
    return true;
}

// Every section but [pipeline] belongs to some step; a key that looks like a field names a field of
// a class that uses the section, and its value is one that every such field takes.
static bool checkSections(const Pipeline& pipeline, int main, std::string& error)
{
    const zkRegistry& registry = pipeline.registry;
    for (int s = 0; s < registry.getSectionCount(); ++s) {
        if (s == main) continue;
        const zkRegistry::Section& section = registry.getSection(s);
        std::vector<zkMetaObject*> classes;
        for (const PipelineStep& step : pipeline.steps)
            if (step.sectionIndex == s) classes.push_back(zkFindClass(step.className.c_str()));
        if (classes.empty()) {
            error = at(registry, section.line) + "section [" + section.name + "] is the settings of no pass in the pipeline";
            return false;
        }
        for (const zkRegistry::Entry& e : section.entries) {
            if (superseded(registry, s, e)) continue;
            bool named = false;
            for (zkMetaObject* meta : classes) {
                zkMetaField* field = meta->findMetaField(e.key.c_str());
                if (!field) continue;
                named = true;
                std::string why;
                if (isCounterField(field)) why = "a counter that the pass reads back; a config cannot set it";
                if (!why.empty() || !checkFieldText(field, e.value, why)) {
                    error = at(registry, e.line) + meta->getName() + "." + e.key + ": " + why;
                    return false;
                }
            }
            if (!named && e.key[0] == '_') {
                error = at(registry, e.line) + "[" + section.name + "] " + e.key + ": no such field in " +
                        classes.front()->getName();
                return false;
            }
        }
    }
    return true;
}

bool loadPipeline(const std::string& path, const Plugin& plugin, Pipeline& pipeline, std::string& error)
{
    if (!pipeline.registry.load(path, error)) return false;
    zkRegistry& registry = pipeline.registry;
    int main = registry.getSectionIndex("pipeline");
    if (main < 0) {
        error = path + ": no [pipeline] section";
        return false;
    }
    const zkRegistry::Entry* passes = registry.findEntry(main, "passes");
    if (!passes) {
        error = at(registry, registry.getSection(main).line) + "[pipeline] has no 'passes' key";
        return false;
    }
    passes->used = true;
    std::istringstream words(passes->value);
    std::string word;
    while (words >> word) {
        PipelineStep step;
        std::size_t colon = word.find(':');
        step.className = word.substr(0, colon);
        step.section = colon == std::string::npos ? step.className : word.substr(colon + 1);
        // Only what list shows: host classes such as zkOptBase or zkResizeImage are not passes to run.
        zkMetaObject* meta = zkFindClass(step.className.c_str());
        if (!meta || !plugin.isPass(meta) || !meta->isInstantiable()) {
            error = at(registry, passes->line) + "unknown pass '" + step.className + "'";
            return false;
        }
        if (step.section.empty()) {
            error = at(registry, passes->line) + "empty settings label in '" + word + "'";
            return false;
        }
        step.sectionIndex = registry.getSectionIndex(step.section);
        if (step.sectionIndex < 0 && colon != std::string::npos) {
            error = at(registry, passes->line) + "no section [" + step.section + "] for '" + word + "'";
            return false;
        }
        if (step.sectionIndex < 0) step.sectionIndex = registry.addSection(step.section);
        pipeline.steps.push_back(step);
    }
    if (pipeline.steps.empty()) {
        error = at(registry, passes->line) + "the pipeline lists no passes";
        return false;
    }
    for (const zkRegistry::Entry& e : registry.getSection(main).entries) {
        if (e.key.rfind("drive.", 0) != 0 || superseded(registry, main, e)) continue;
        e.used = true;
        if (e.key.size() != 7 || !std::isalpha(static_cast<unsigned char>(e.key[6])) || e.value.empty()) {
            error = at(registry, e.line) + "expected 'drive.X = folder', got '" + e.key + " = " + e.value + "'";
            return false;
        }
        std::string why;
        if (!checkFolder(e.value, why)) {
            error = at(registry, e.line) + e.key + ": " + why;
            return false;
        }
        pipeline.drives.emplace_back(e.key[6], e.value);
    }
    return checkSections(pipeline, main, error);
}

bool setPassFields(const Pipeline& pipeline, const PipelineStep& step, zkObject* pass, std::string& error)
{
    zkMetaObject* meta = pass->getMeta();
    for (const zkRegistry::Entry& e : pipeline.registry.getSection(step.sectionIndex).entries) {
        zkMetaField* field = meta->findMetaField(e.key.c_str());
        if (!field || superseded(pipeline.registry, step.sectionIndex, e)) continue;
        e.used = true;
        std::string why;
        if (!setFieldFromText(field, pass, e.value, why)) {
            error = at(pipeline.registry, e.line) + step.className + "." + e.key + ": " + why;
            return false;
        }
    }
    return true;
}

std::vector<std::string> unusedKeyWarnings(const Pipeline& pipeline)
{
    std::vector<std::string> warnings;
    const zkRegistry& registry = pipeline.registry;
    for (int s = 0; s < registry.getSectionCount(); ++s)
        for (const zkRegistry::Entry& e : registry.getSection(s).entries)
            if (!e.used)
                warnings.push_back(at(registry, e.line) + "warning: [" + registry.getSection(s).name + "] " + e.key +
                                   " was not used by any pass");
    return warnings;
}

} // namespace zkopt
