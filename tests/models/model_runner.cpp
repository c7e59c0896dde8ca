// Runs a pipeline through zkopt over every model file of a folder tree whose extension Assimp
// claims, one zkopt process per model so that a crash or sanitizer report is caught and named,
// then prints a table (model, triangles after the pipeline, time) and the models Assimp refused.
//
//   zk_model_runner ZKOPT CONFIG MODELS_DIR WORK_DIR [SECONDS_PER_MODEL]
//
// Exit status 0 when no model crashed zkopt (models Assimp refuses and passes that answer false
// are listed, not failures of the run); 1 when zkopt crashed, was stopped after its time or
// reported a sanitizer problem on some model; 2 for bad arguments.
#include "host/io/SceneFile.h"
#include "host/zkhost.h"

#include <assimp/Importer.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;

namespace {

struct Outcome {
    std::string model;
    enum Kind { Ran, Refused, PassFailed, Crashed } kind = Ran;
    long long triangles = 0;
    double seconds = 0;
    std::string detail;  // the reason for anything but Ran
};

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The last line zkopt wrote to standard error, which carries the reason it stopped.
std::string lastLine(const std::string& text)
{
    std::string line, last;
    std::istringstream in(text);
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

long long trianglesOf(const std::string& path)
{
    std::string error;
    zkSmartPointer<zkFileInfo> file = Tam::Io::zkReadScene(path, error);
    if (!file) return -1;
    long long count = 0;
    zkVisitReachable(file, zkGeometryAttr::getClassTypeSafe(), [&](zkObject* o) {
        const auto* attr = static_cast<zkGeometryAttr*>(o);
        if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_LIST) count += attr->getPrimitiveCount();
        else if (attr->getPrimitiveType() == ZK_PRIMITIVE_TRIANGLE_STRIPS)
            for (int p = 0; p < attr->getPrimitiveCount(); ++p) count += std::max(attr->getPrimitiveLength(p) - 2, 0);
    });
    return count;
}

// Runs zkopt on one model with its output streams in files; the exit status, or -signal, or
// 0x7fff for a run that outlived its time and was stopped.
int runZkopt(const std::vector<std::string>& args, const fs::path& out, const fs::path& err, int seconds)
{
    const pid_t child = fork();
    if (child < 0) return -1000;
    if (child == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o >= 0) dup2(o, 1);
        if (e >= 0) dup2(e, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0) return -1000;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return 0x7fff;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

bool hasSanitizerReport(const std::string& text)
{
    return text.find("ERROR: AddressSanitizer") != std::string::npos ||
           text.find("ERROR: LeakSanitizer") != std::string::npos || text.find("runtime error:") != std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: zk_model_runner ZKOPT CONFIG MODELS_DIR WORK_DIR [SECONDS_PER_MODEL]\n");
        return 2;
    }
    const std::string zkopt = argv[1], config = argv[2];
    const fs::path models = argv[3], work = argv[4];
    const int seconds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 300;
    std::error_code ec;
    fs::create_directories(work, ec);
    if (!fs::is_directory(models, ec) || !fs::is_directory(work, ec)) {
        std::fprintf(stderr, "zk_model_runner: %s or %s is not a folder\n", models.c_str(), work.c_str());
        return 2;
    }

    // Every file whose extension some Assimp importer claims; the rest (images, buffers, notes)
    // belong to the models.
    Assimp::Importer importer;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(models, ec))
        if (entry.is_regular_file() && entry.path().has_extension() &&
            importer.IsExtensionSupported(entry.path().extension().string()))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    std::vector<Outcome> outcomes;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Outcome o;
        o.model = fs::relative(files[i], models, ec).string();
        const fs::path output = work / ("model.zks"), out = work / "stdout.txt", err = work / "stderr.txt";
        fs::remove(output, ec);
        const auto start = std::chrono::steady_clock::now();
        const int status = runZkopt({zkopt, "run", "--config", config, files[i].string(), output.string()}, out, err, seconds);
        o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string errors = readText(err);
        if (hasSanitizerReport(errors) || hasSanitizerReport(readText(out))) {
            o.kind = Outcome::Crashed;
            o.detail = "sanitizer report: " + lastLine(errors);
        } else if (status == 0) {
            o.triangles = trianglesOf(output.string());
            if (o.triangles < 0) o.kind = Outcome::Crashed, o.detail = "the output cannot be read back";
        } else if (status == 2 && errors.find("Assimp cannot import it") != std::string::npos) {
            o.kind = Outcome::Refused;
            o.detail = lastLine(errors);
            const std::size_t reason = o.detail.find("Assimp cannot import it: ");
            if (reason != std::string::npos) o.detail = o.detail.substr(reason + 25);
        } else if (status == 1) {
            o.kind = Outcome::PassFailed;
            o.detail = lastLine(readText(out) + errors);
        } else {
            o.kind = Outcome::Crashed;
            o.detail = status == 0x7fff ? "stopped after " + std::to_string(seconds) + " s"
                       : status < 0     ? std::string("signal ") + strsignal(-status)
                                        : "exit status " + std::to_string(status) + ": " + lastLine(errors);
        }
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, files.size(), o.model.c_str());
        outcomes.push_back(o);
    }
    fs::remove(work / "model.zks", ec);

    long long triangles = 0;
    double total = 0;
    int ran = 0, refused = 0, failed = 0, crashed = 0;
    std::printf("%-72s %12s %10s\n", "model", "triangles", "time (s)");
    for (const Outcome& o : outcomes) {
        total += o.seconds;
        if (o.kind != Outcome::Ran) continue;
        ++ran;
        triangles += o.triangles;
        std::printf("%-72s %12lld %10.3f\n", o.model.c_str(), o.triangles, o.seconds);
    }
    auto list = [&](Outcome::Kind kind, const char* title) {
        int n = 0;
        for (const Outcome& o : outcomes)
            if (o.kind == kind) {
                if (n++ == 0) std::printf("\n%s:\n", title);
                std::printf("  %-70s %s\n", o.model.c_str(), o.detail.c_str());
            }
        return n;
    };
    refused = list(Outcome::Refused, "refused by Assimp");
    failed = list(Outcome::PassFailed, "a pass failed");
    crashed = list(Outcome::Crashed, "CRASHED, STOPPED OR SANITIZER REPORT");
    std::printf("\ntotal: %zu model files, %d ran (%lld triangles after the pipeline), %d refused by Assimp, "
                "%d with a failed pass, %d crashed; %.1f s\n",
                outcomes.size(), ran, triangles, refused, failed, crashed, total);
    return crashed ? 1 : 0;
}
