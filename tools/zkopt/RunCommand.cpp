#include "tools/zkopt/Commands.h"
#include "tools/zkopt/FieldText.h"
#include "tools/zkopt/Pipeline.h"

#include "host/io/SceneFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace zkopt {

using namespace Tam::Core;
using namespace Tam::Opt;

static json fieldsJson(const zkObject* pass)
{
    json fields = json::object();
    zkMetaObject* meta = pass->getMeta();
    for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
        zkMetaField* f = meta->getIndexedMetaField(i);
        fields[f->getName()] = fieldValueJson(f, pass);
    }
    return fields;
}

int runCommand(const RunOptions& options)
{
    std::string error;
    Pipeline pipeline;
    if (!loadPipeline(options.config, pipeline, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    zkSmartPointer<Tam::Sg::zkFileInfo> file = Tam::Io::zkReadScene(options.input, error);
    if (!file) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }

    zkOptInterface run;
    run.setRegistry(&pipeline.registry);
    run.setFile(file);
    run.setBaseDirectory(std::filesystem::absolute(options.output).parent_path().string());
    for (const auto& [letter, folder] : pipeline.drives) run.mapDrive(letter, folder);

    json report{{"input", options.input}, {"output", options.output}, {"ok", true}, {"passes", json::array()}};
    bool ok = true;
    for (const PipelineStep& step : pipeline.steps) {
        zkSmartPointer<zkOptBase> pass = zkSmartPointer<zkOptBase>::adopt(run.createOptBase(step.className.c_str()));
        if (!setPassFields(pipeline, step, pass.get(), error)) {
            std::fprintf(stderr, "zkopt: %s\n", error.c_str());
            return EXIT_BAD_INPUT;
        }
        std::string printed;
        run.setSink([&](const std::string& text) {
            printed += text;
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
        });
        auto start = std::chrono::steady_clock::now();
        bool configured = pass->configure(step.sectionIndex);
        bool applied = configured && run.applyPass(pass);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.setSink(nullptr);
        std::fprintf(stderr, "zkopt: %s%s%s %s in %.3f s\n", step.className.c_str(),
                     step.section == step.className ? "" : ":", step.section == step.className ? "" : step.section.c_str(),
                     !configured ? "failed to configure" : !applied ? "failed" : "done", seconds);
        report["passes"].push_back(json{{"class", step.className},
                                        {"section", step.section},
                                        {"configured", configured},
                                        {"applied", applied},
                                        {"seconds", seconds},
                                        {"output", printed},
                                        {"fields", fieldsJson(pass.get())}});
        if (!applied) {
            ok = false;
            break;
        }
    }
    for (const std::string& warning : unusedKeyWarnings(pipeline)) std::fprintf(stderr, "zkopt: %s\n", warning.c_str());
    report["ok"] = ok;

    int status = ok ? EXIT_OK : EXIT_PASS_FAILED;
    if (ok && !Tam::Io::zkWriteScene(file.get(), options.output, error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        status = EXIT_BAD_INPUT;
    }
    if (!ok) std::fprintf(stderr, "zkopt: a pass failed; %s was not written\n", options.output.c_str());
    if (!options.report.empty() && !Tam::Io::zkAtomicWrite(options.report, report.dump(2) + "\n", error)) {
        std::fprintf(stderr, "zkopt: %s\n", error.c_str());
        return EXIT_BAD_INPUT;
    }
    return status;
}

} // namespace zkopt
