#include "tools/zkopt/Pipeline.h"

#include "tools/zkopt/FieldText.h"

#include <sstream>

namespace zkopt {

using namespace Tam::Core;

static std::string at(const zkRegistry& registry, int line)
{
    return registry.getFileName() + ":" + std::to_string(line) + ": ";
}

bool loadPipeline(const std::string& path, Pipeline& pipeline, std::string& error)
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
    zkMetaObject* passBase = Tam::Opt::zkOptBase::getClassTypeSafe();
    while (words >> word) {
        PipelineStep step;
        std::size_t colon = word.find(':');
        step.className = word.substr(0, colon);
        step.section = colon == std::string::npos ? step.className : word.substr(colon + 1);
        zkMetaObject* meta = zkFindClass(step.className.c_str());
        if (!meta || !meta->isOfType(passBase) || !meta->isInstantiable()) {
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
        if (e.key.rfind("drive.", 0) != 0) continue;
        e.used = true;
        if (e.key.size() != 7 || !std::isalpha(static_cast<unsigned char>(e.key[6])) || e.value.empty()) {
            error = at(registry, e.line) + "expected 'drive.X = folder', got '" + e.key + " = " + e.value + "'";
            return false;
        }
        pipeline.drives.emplace_back(e.key[6], e.value);
    }
    return true;
}

bool setPassFields(const Pipeline& pipeline, const PipelineStep& step, zkObject* pass, std::string& error)
{
    zkMetaObject* meta = pass->getMeta();
    for (const zkRegistry::Entry& e : pipeline.registry.getSection(step.sectionIndex).entries) {
        zkMetaField* field = meta->findMetaField(e.key.c_str());
        if (!field) continue;
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
