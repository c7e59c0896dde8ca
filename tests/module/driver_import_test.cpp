// zkopt over hostile imports: a crashing or hanging importer is exit 2 with a word about it, and
// --allow-dir and --import-timeout reach the import.
#include "host/gfx/Png.h"
#include "tests/module/Run.h"

#include <gtest/gtest.h>

TEST(DriverImport, ContainedImportsAndTheirOptions)
{
    const std::string crash = ZK_FIXTURES "/import/assimp-segv.ply", hang = ZK_FIXTURES "/import/assimp-loop.ply";
    RunResult r = runZkopt({"info", crash});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zkopt: " + crash + ": the importer crashed (signal 11, Segmentation fault)\n");
    r = runZkopt({"convert", "--import-timeout", "0.5", hang, scratchDirectory("import") + "/out.zks"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zkopt: " + hang + ": the importer did not finish in 0.5 s\n");

    // A texture outside the scene's folder, refused and then allowed.
    const std::string folder = scratchDirectory("import_allow"), scene = folder + "/scene";
    ASSERT_EQ(runProgram("/bin/mkdir", {scene}).status, 0);
    writeFile(scene + "/m.mtl", "newmtl m\nmap_Kd ../t.png\n");
    writeFile(scene + "/m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\nf 1 2 3\n");
    Tam::Gfx::PixelImage pixel;
    const uint8_t grey[4] = {9, 9, 9, 255};
    ASSERT_TRUE(Tam::Gfx::load(pixel, grey, 4, Tam::Gfx::kFormatRGBA8888, 1, 1));
    ASSERT_TRUE(Tam::Gfx::savePng(pixel, folder + "/t.png"));
    r = runZkopt({"info", scene + "/m.obj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, scene + "/m.obj: warning: material \"m\": texture \"../t.png\": outside the scene's folder and "
                             "the allowed folders; not bound\n");
    r = runZkopt({"info", "--allow-dir", folder, scene + "/m.obj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");

    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"info", "--allow-dir", folder + "/none", crash}, "--allow-dir " + folder + "/none: not a folder"},
             {{"info", "--import-timeout", "soon", crash}, "--import-timeout needs a number of seconds, got 'soon'"},
             {{"list", "--allow-dir", folder}, "unknown option '--allow-dir' for list"}}) {
        r = runZkopt(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("zkopt: " + message + "\nusage: zkopt", 0), 0u) << r.err;
    }
}
