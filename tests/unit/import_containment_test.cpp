// Hostile scenes: files outside the scene's folder are not read, and Assimp's crashes and hangs
// are refusals of the file, not the end of the tool.
#include "host/attrs/zkTextureAttr.h"
#include "host/core/zkObjectWalk.h"
#include "host/gfx/Png.h"
#include "host/io/AssimpImport.h"
#include "host/io/SceneFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace Tam;
namespace fs = std::filesystem;

namespace {

// scene/ holds the scene; private/ beside it what the scene must not reach. One root per process,
// since the tests of this file run in parallel.
struct Folders {
    fs::path root = fs::temp_directory_path() / ("zk_import_containment_" + std::to_string(::getpid()));
    fs::path scene = root / "scene", outside = root / "private";
    Folders()
    {
        fs::remove_all(root);
        fs::create_directories(scene);
        fs::create_directories(outside);
    }
    ~Folders() { fs::remove_all(root); }
    static void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
};

int boundTextures(Sg::zkFileInfo* file)
{
    int count = 0;
    Core::zkVisitReachable(file, Attrs::zkTextureBindAttr::getClassTypeSafe(), [&](Core::zkObject*) { ++count; });
    return count;
}

std::string encoded(const Sg::zkFileInfo* file)
{
    std::string bytes, error;
    EXPECT_TRUE(Io::zkEncodeScene(file, Io::zkSceneForm::Text, bytes, error)) << error;
    return bytes;
}

} // namespace

TEST(ImportConfinement, TexturesOutsideTheSceneFolderAreLeftOutWithAWarning)
{
    Folders f;
    Gfx::PixelImage pixel;
    const uint8_t rgba[4] = {9, 9, 9, 255};
    ASSERT_TRUE(Gfx::load(pixel, rgba, 4, Gfx::kFormatRGBA8888, 1, 1));
    ASSERT_TRUE(Gfx::savePng(pixel, (f.outside / "secret.png").string()));
    fs::create_symlink(f.outside / "secret.png", f.scene / "link.png");
    const std::string absolute = (f.outside / "secret.png").string();
    // An absolute path, one that climbs out, and a link inside the folder that points out.
    f.write(f.scene / "m.mtl", "newmtl abs\nmap_Kd " + absolute + "\nnewmtl up\nmap_Kd ../private/secret.png\n"
                               "newmtl link\nmap_Kd link.png\n");
    f.write(f.scene / "m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n"
                               "usemtl abs\nf 1/1 2/1 3/1\nusemtl up\nf 1/1 3/1 2/1\nusemtl link\nf 2/1 1/1 3/1\n");
    const std::string path = (f.scene / "m.obj").string();
    const std::string outside = ": outside the scene's folder and the allowed folders; not bound";

    std::string error;
    std::vector<std::string> warnings;
    auto file = Io::zkImportScene(path, error, &warnings);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(boundTextures(file.get()), 0);
    EXPECT_EQ(warnings, (std::vector<std::string>{"material \"abs\": texture \"" + absolute + "\"" + outside,
                                                  "material \"up\": texture \"../private/secret.png\"" + outside,
                                                  "material \"link\": texture \"link.png\"" + outside}));

    warnings.clear();
    Io::zkImportOptions allowed;
    allowed.allowedFolders = {f.outside.string() + "/"};
    file = Io::zkImportScene(path, error, &warnings, allowed);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(boundTextures(file.get()), 3);
    EXPECT_TRUE(warnings.empty());
    // A folder whose name merely starts like an allowed one is not inside it.
    fs::rename(f.outside, f.root / "private2");
    fs::create_directories(f.outside);
    f.write(f.scene / "m.mtl", "newmtl abs\nmap_Kd " + (f.root / "private2" / "secret.png").string() + "\n");
    file = Io::zkImportScene(path, error, &warnings, allowed);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(boundTextures(file.get()), 0);
}

TEST(ImportConfinement, AGltfBufferOutsideTheFolderRefusesTheScene)
{
    Folders f;
    f.write(f.outside / "notes.txt", "the user's own private notes, 36 B..");
    const std::string gltf = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
      "buffers":[{"uri":"../private/notes.txt","byteLength":36}],
      "bufferViews":[{"buffer":0,"byteLength":36}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,1]}]})";
    f.write(f.scene / "m.gltf", gltf);
    const std::string path = (f.scene / "m.gltf").string();

    std::string error;
    EXPECT_FALSE(Io::zkImportScene(path, error));
    EXPECT_EQ(error, path + ": not imported: the file it refers to, " + (f.scene / "../private/notes.txt").string() +
                         ", is outside the scene's folder and the allowed folders");

    Io::zkImportOptions allowed;
    allowed.allowedFolders = {f.outside.string()};
    std::vector<std::string> warnings;
    EXPECT_TRUE(Io::zkImportScene(path, error, &warnings, allowed)) << error;
}

TEST(ImportContainment, CrashesAndHangsOfTheImporterAreRefusals)
{
    // Found by fuzzing Debian's Assimp 5.2.5: its PLY header reader dereferences past a
    // truncated format line in one file and loops for ever on the other.
    const std::string crash = ZK_FIXTURES "/import/assimp-segv.ply", hang = ZK_FIXTURES "/import/assimp-loop.ply";
    std::string error;
    EXPECT_FALSE(Io::zkImportScene(crash, error));
    EXPECT_EQ(error, crash + ": the importer crashed (signal 11, Segmentation fault)");

    Io::zkImportOptions options;
    options.timeLimit = 0.5;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Io::zkImportScene(hang, error, nullptr, options));
    EXPECT_EQ(error, hang + ": the importer did not finish in 0.5 s");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ImportContainment, AContainedImportAnswersWhatAnImportInProcessAnswers)
{
    Folders f;
    f.write(f.scene / "m.mtl", "newmtl gone\nmap_Kd missing.png\n");
    f.write(f.scene / "m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nusemtl gone\n"
                               "f 1/1 2/1 3/1 4/1\nl 1 2\n");
    f.write(f.scene / "bad.obj", "v 0 0 0\nf 1 2 3\n");
    Io::zkImportOptions here;
    here.contained = false;
    for (const char* name : {"m.obj", "bad.obj"}) {
        const std::string path = (f.scene / name).string();
        std::string containedError, hereError;
        std::vector<std::string> containedWarnings, hereWarnings;
        auto contained = Io::zkImportScene(path, containedError, &containedWarnings);
        auto inProcess = Io::zkImportScene(path, hereError, &hereWarnings, here);
        ASSERT_EQ(!contained, !inProcess) << name;
        EXPECT_EQ(containedError, hereError);
        EXPECT_EQ(containedWarnings, hereWarnings);
        if (contained) {
            EXPECT_EQ(encoded(contained.get()), encoded(inProcess.get()));
            EXPECT_EQ(containedWarnings.size(), 2u);
        } else {
            EXPECT_NE(containedError, "");
        }
    }
}

// zkopt's way: the child that imported carries on as the program, and the process that started it
// stands by and ends as the program ends, passing on stops; a program whose parent is killed is
// asked to stop. Each case runs in a process of its own, which becomes the one standing by.
TEST(ImportContainment, TheProcessStandingByEndsAsTheProgramThatCarriedOnEnds)
{
    Folders f;
    f.write(f.scene / "t.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const std::string path = (f.scene / "t.obj").string();
    struct Run {
        pid_t standingBy, program;
        int stopped; // a byte comes here when the program is asked to stop by SIGTERM
    };
    const auto start = [&](void (*then)()) {
        int ready[2], stopped[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(stopped), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            Io::zkImportOptions options;
            options.carryOn = true;
            std::string error;
            if (!Io::zkImportScene(path, error, nullptr, options)) ::_exit(50);
            static int stoppedFd;
            stoppedFd = stopped[1];
            if (then == nullptr) ::signal(SIGTERM, [](int) { ::_exit(::write(stoppedFd, "s", 1) == 1 ? 33 : 1); });
            const pid_t self = ::getpid();
            if (::write(ready[1], &self, sizeof self) != sizeof self) ::_exit(51);
            if (then) then();
            ::pause();
            ::_exit(52);
        }
        ::close(ready[1]);
        ::close(stopped[1]);
        Run run{pid, 0, stopped[0]};
        EXPECT_EQ(::read(ready[0], &run.program, sizeof run.program), ssize_t(sizeof run.program));
        ::close(ready[0]);
        return run;
    };
    // The status of the one standing by; both are killed if it has not ended in 10 s.
    const auto end = [](const Run& run) {
        int status = 0;
        for (int tries = 0; ::waitpid(run.standingBy, &status, WNOHANG) == 0; ++tries) {
            if (tries == 1000) {
                ADD_FAILURE() << "still running";
                ::kill(run.program, SIGKILL);
                ::kill(run.standingBy, SIGKILL);
            }
            ::usleep(10000);
        }
        return status;
    };

    Run run = start([] { ::_exit(7); });
    int status = end(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    EXPECT_NE(run.program, run.standingBy);

    run = start([] { ::raise(SIGTERM); });
    status = end(run);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;

    const auto stopped = [](const Run& run) {
        pollfd p = {run.stopped, POLLIN, 0};
        char byte = 0;
        return ::poll(&p, 1, 5000) == 1 && ::read(run.stopped, &byte, 1) == 1 && byte == 's';
    };
    run = start(nullptr);
    ::kill(run.standingBy, SIGTERM);
    status = end(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 33) << status;
    EXPECT_TRUE(stopped(run));

    run = start(nullptr);
    ::kill(run.standingBy, SIGKILL);
    end(run);
    EXPECT_TRUE(stopped(run));
}
