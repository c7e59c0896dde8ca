#include "tools/zkopt/Commands.h"
#include "tools/zkopt/Depfile.h"
#include "tools/zkopt/FieldText.h"
#include "tools/zkopt/HtmlReport.h"
#include "tools/zkopt/Paths.h"
#include "tools/zkopt/Pipeline.h"
#include "tools/zkopt/Progress.h"

#include "host/io/GltfExport.h"
#include "host/io/SceneFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace zkopt {

using namespace Tam::Core;
using namespace Tam::Opt;

namespace {

json fieldsJson(const zkObject* pass)
{
    json fields = json::object();
    zkMetaObject* meta = pass->getMeta();
    for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
        zkMetaField* f = meta->getIndexedMetaField(i);
        fields[f->getName()] = fieldValueJson(f, pass);
    }
    return fields;
}

// What --report holds. Once the command line is read, every way out of a run goes through finish,
// so that CI finds a report that says how the run ended whatever happened.
class RunRecord {
public:
    explicit RunRecord(const RunOptions& options) : m_options(options) {}

    json passes = json::array();
    bool outputWritten = false;
    // The scene as read and as the passes left it, for --html; taken only when asked for.
    std::optional<SceneSnapshot> before, after;
    // --html is written only once its path has been checked.
    bool htmlChecked = false;
    // Only a report (JSON or HTML) shows what passes printed: without one, their lines are not
    // kept, so a pass that prints a line per node cannot fill memory.
    bool keepsPrinted() const { return !m_options.report.empty() || !m_options.html.empty(); }

    void warn(const std::string& warning)
    {
        std::fprintf(stderr, "zkopt: %s\n", warning.c_str());
        m_warnings.push_back(warning);
    }

    // Prints the error (if any), writes the report and answers the exit status.
    int finish(int status, const std::string& error = {})
    {
        if (!error.empty()) std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        if (!outputWritten && !m_options.output.empty())
            std::fprintf(stderr, "zkopt: %s was not written\n", m_options.output.c_str());
        if (m_options.report.empty() && !htmlChecked) return status;
        json report{{"status", status},
                    {"ok", status == EXIT_OK && outputWritten},
                    {"config", m_options.config},
                    {"input", m_options.input},
                    {"output", m_options.output},
                    {"outputWritten", outputWritten},
                    {"error", error.empty() ? json(nullptr) : json(error)},
                    {"warnings", m_warnings},
                    {"passes", passes}};
        std::string why;
        if (!m_options.report.empty() && !Tam::Io::zkAtomicWrite(m_options.report, report.dump(2) + "\n", why)) {
            std::fprintf(stderr, "zkopt: %s\n", why.c_str());
            return EXIT_BAD_INPUT;
        }
        if (htmlChecked) {
            HtmlReportContent page{m_options.config + " over " + m_options.input, report, before ? &*before : nullptr,
                                   after ? &*after : nullptr};
            if (!writeHtmlReport(m_options.html, page, why)) {
                std::fprintf(stderr, "zkopt: %s\n", why.c_str());
                return EXIT_BAD_INPUT;
            }
        }
        return status;
    }

private:
    const RunOptions& m_options;
    std::vector<std::string> m_warnings;
};

// The output's name says its format; its folder must take a new file.
bool checkOutput(const std::string& output, std::string& error)
{
    Tam::Io::zkSceneForm form;
    Tam::Io::zkGltfForm gltf;
    if (!Tam::Io::zkSceneFormOf(output, form) && !Tam::Io::zkGltfFormOf(output, gltf)) {
        error = output + ": not a scene file name to write (expected .zks, .zks.json, .gltf or .glb)";
        return false;
    }
    return checkWritableFile(output, error);
}

// Writes the scene; glTF export's warnings (what the format cannot carry) go to the record.
bool writeOutput(const zkFileInfo* file, const std::string& output, RunRecord& record, std::string& error)
{
    Tam::Io::zkSceneForm form;
    Tam::Io::zkGltfForm gltf;
    if (Tam::Io::zkSceneFormOf(output, form) || !Tam::Io::zkGltfFormOf(output, gltf))
        return Tam::Io::zkWriteScene(file, output, error);
    std::vector<std::string> warnings;
    bool written = Tam::Io::zkExportGltf(file, output, gltf, error, &warnings);
    for (const std::string& warning : warnings) record.warn(output + ": warning: " + warning);
    return written;
}

std::string stepName(const PipelineStep& step)
{
    return step.section == step.className ? step.className : step.className + ":" + step.section;
}

// Runs one pass of the pipeline: create, set fields, configure, apply, each call into the pass
// behind the host's guard, then with verify the scene check. Adds the pass's entry to the record;
// answers EXIT_OK, or the status that ends the run with the reason in error.
int runStep(zkOptInterface& run, const Pipeline& pipeline, const PipelineStep& step, bool verify, RunRecord& record,
            std::string& error)
{
    std::string printed;
    const bool keep = record.keepsPrinted();
    PassProgress progress(stepName(step));
    run.setProgressWatcher([&](long objects) { progress.objects(objects); });
    run.setSink([&](const std::string& text) {
        progress.clear();
        if (keep) printed += text;
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    });
    std::string internalError;
    auto guarded = [&](const char* operation, const std::function<bool()>& call) {
        bool answered = run.guardPassCall(step.className.c_str(), call);
        if (!run.getInternalError().empty())
            internalError = run.getInternalError() + " (section [" + step.section + "], during " + operation + ")";
        return answered;
    };
    zkSmartPointer<zkOptBase> pass;
    std::string fieldError;
    auto start = std::chrono::steady_clock::now();
    bool created = guarded("creation", [&] {
        pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase(step.className.c_str()));
        return pass.get() != nullptr;
    });
    bool fieldsSet = created && guarded("field setting", [&] { return setPassFields(pipeline, step, pass.get(), fieldError); });
    bool configured = fieldsSet && guarded("configure", [&] { return pass->configure(step.sectionIndex); });
    bool applied = configured && guarded("apply", [&] { return run.applyPass(pass.get()); });
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.setSink(nullptr);
    run.setProgressWatcher(nullptr);
    progress.clear();
    std::fprintf(stderr, "zkopt: %s %s in %.3f s\n", stepName(step).c_str(),
                 !created ? "could not be created" : !fieldsSet ? "could not take its fields"
                 : !configured ? "failed to configure" : !applied ? "failed" : "done",
                 seconds);

    json entry{{"class", step.className}, {"section", step.section}, {"configured", configured},
               {"applied", applied}, {"seconds", seconds}, {"output", printed}};
    if (pass) entry["fields"] = fieldsJson(pass.get());
    std::string broken;
    bool consistent = true;
    if (applied && verify) entry["verified"] = consistent = Tam::Io::zkCheckScene(run.getFile(), broken);

    int status = EXIT_PASS_FAILED;
    if (!internalError.empty()) error = internalError;
    else if (created && !fieldsSet) error = stepName(step) + ": " + fieldError;
    else if (!applied) error = stepName(step) + " failed";
    else if (!consistent) error = "the scene is inconsistent after " + stepName(step) + ": " + broken;
    else status = EXIT_OK;
    if (status != EXIT_OK) entry["error"] = error;
    record.passes.push_back(std::move(entry));
    return status;
}

} // namespace

int runCommand(const Plugin& plugin, const RunOptions& options, const Tam::Io::zkImportOptions& import)
{
    std::string error;
    // Nowhere to say what went wrong: found before anything else, and the one exit with no report.
    if (!options.report.empty() && !checkWritableFile(options.report, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    RunRecord record(options);
    if (!options.html.empty() && !checkWritableFile(options.html, error)) return record.finish(EXIT_BAD_INPUT, error);
    record.htmlChecked = !options.html.empty();
    if (!plugin.loadError.empty()) return record.finish(EXIT_BAD_INPUT, plugin.loadError);
    Pipeline pipeline;
    if (!loadPipeline(options.config, plugin, pipeline, error)) return record.finish(EXIT_BAD_INPUT, error);
    if (!checkOutput(options.output, error)) return record.finish(EXIT_BAD_INPUT, error);
    if (!options.depfile.empty() && !checkWritableFile(options.depfile, error))
        return record.finish(EXIT_BAD_INPUT, error);
    zkSmartPointer<Tam::Sg::zkFileInfo> file = Tam::Io::zkReadScene(options.input, error, import);
    if (!file) return record.finish(EXIT_BAD_INPUT, error);
    if (record.htmlChecked) record.before = takeSnapshot(file, kMaxPageTriangles / 2);

    zkOptInterface run;
    run.setRegistry(&pipeline.registry);
    run.setFile(file);
    run.setBaseDirectory(std::filesystem::absolute(options.output).parent_path().string());
    for (const auto& [letter, folder] : pipeline.drives) run.mapDrive(letter, folder);

    for (const PipelineStep& step : pipeline.steps) {
        int status = runStep(run, pipeline, step, options.verifyEach, record, error);
        if (status != EXIT_OK) return record.finish(status, error);
    }
    for (const std::string& warning : unusedKeyWarnings(pipeline)) record.warn(warning);
    if (record.htmlChecked) {
        record.after = takeSnapshot(file, kMaxPageTriangles / 2);
        compareWithInput(*record.before, *record.after);
    }

    if (!writeOutput(file.get(), options.output, record, error)) return record.finish(EXIT_BAD_INPUT, error);
    record.outputWritten = true;
    if (!options.depfile.empty() &&
        !writeDepfile(options.depfile, options.output, runDependencies(options, pipeline, plugin), error))
        return record.finish(EXIT_BAD_INPUT, error);
    return record.finish(EXIT_OK);
}

} // namespace zkopt
