// Reflection textures of imported materials become environment-map shaders over the material's
// geometry, which the sphere-map and gloss-map passes then rework.
#include "host/gfx/Png.h"
#include "host/io/AssimpImport.h"
#include "image/veskoMakeSphereMaps.h"
#include "image/veskoRemoveGlossMaps.h"
#include "tests/harness/PassHarness.h"
#include "tests/harness/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace Tam::OptExtension;
namespace fs = std::filesystem;

namespace {

struct ObjFolder : Tam::Test::TempFolder {
    // A 1 x 1 PNG of one grey level, so each file can be told apart after import.
    void png(const std::string& name, uint8_t level) const
    {
        Tam::Gfx::PixelImage image;
        const uint8_t rgba[4] = {level, level, level, 255};
        ASSERT_TRUE(Tam::Gfx::load(image, rgba, 4, Tam::Gfx::kFormatRGBA8888, 1, 1));
        ASSERT_TRUE(Tam::Gfx::savePng(image, *this / name));
    }
};

int levelOf(const zkImage* image)
{
    return image && image->getDataSize() >= 1 ? image->getData()[0] : -1;
}

zkEnvironmentMapShader2* shaderUnder(zkNode* node, const char* material)
{
    zkIterateGraph walk;
    for (zkNode* n = walk.begin(node); n; n = walk.getNext())
        if (auto* shader = zkEnvironmentMapShader2::dynamicCast(n); shader && !std::strcmp(shader->getName(), material))
            return shader;
    return nullptr;
}

// A Collada material with diffuse, specular and reflective textures, over one triangle.
std::string colladaScene(const std::string& reflective)
{
    std::string params;
    for (std::string id : {"d", "g", "r"})
        params += "<newparam sid='" + id + "s'><surface type='2D'><init_from>" + id + "</init_from></surface>" +
                  "</newparam><newparam sid='" + id + "p'><sampler2D><source>" + id + "s</source></sampler2D></newparam>";
    return "<?xml version='1.0'?><COLLADA xmlns='http://www.collada.org/2005/11/COLLADASchema' version='1.4.1'>"
           "<library_images><image id='d'><init_from>diffuse.png</init_from></image><image id='g'><init_from>"
           "gloss.png</init_from></image><image id='r'><init_from>" + reflective + "</init_from></image>"
           "</library_images><library_effects><effect id='fx'><profile_COMMON>" + params +
           "<technique sid='common'><phong><diffuse><texture texture='dp' texcoord='UV'/></diffuse>"
           "<specular><texture texture='gp' texcoord='UV'/></specular><reflective><texture texture='rp' "
           "texcoord='UV'/></reflective></phong></technique></profile_COMMON></effect></library_effects>"
           "<library_materials><material id='chrome' name='chrome'><instance_effect url='#fx'/></material>"
           "</library_materials><library_geometries><geometry id='tri' name='bumper'><mesh>"
           "<source id='p'><float_array id='pa' count='9'>0 0 0 1 0 0 0 1 0</float_array><technique_common>"
           "<accessor source='#pa' count='3' stride='3'><param name='X' type='float'/><param name='Y' "
           "type='float'/><param name='Z' type='float'/></accessor></technique_common></source>"
           "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices><triangles material='chrome' "
           "count='1'><input semantic='VERTEX' source='#v' offset='0'/><p>0 1 2</p></triangles></mesh>"
           "</geometry></library_geometries><library_visual_scenes><visual_scene id='s'><node id='n' name='n'>"
           "<instance_geometry url='#tri'><bind_material><technique_common><instance_material symbol='chrome' "
           "target='#chrome'/></technique_common></bind_material></instance_geometry></node></visual_scene>"
           "</library_visual_scenes><scene><instance_visual_scene url='#s'/></scene></COLLADA>";
}

} // namespace

TEST(ImportEnvironment, AReflectionTextureBecomesASphereMapShaderOverTheMaterialsGeometry)
{
    ObjFolder folder;
    folder.png("diffuse.png", 100);
    folder.png("gloss.png", 110);
    folder.png("sky.png", 120);
    folder.write("chrome.dae", colladaScene("sky.png"));
    folder.write("missing.dae", colladaScene("nowhere.png"));

    std::string error;
    std::vector<std::string> warnings;
    zkSmartPointer<zkFileInfo> file = Tam::Io::zkImportScene(folder / "chrome.dae", error, &warnings);
    ASSERT_TRUE(file) << error;
    EXPECT_TRUE(warnings.empty()) << warnings[0];
    Tam::Test::PassHarness scene(file);
    ASSERT_TRUE(scene.root);

    zkEnvironmentMapShader2* chrome = shaderUnder(scene.root, "chrome");
    ASSERT_TRUE(chrome);
    auto* set = zkAttrSet::dynamicCast(chrome->getParent(0));
    ASSERT_TRUE(set);
    EXPECT_STREQ(set->getName(), "chrome");
    ASSERT_EQ(chrome->getChildCount(), 1);
    EXPECT_TRUE(zkGeometry::dynamicCast(chrome->getChild(0)));
    zkTextureCubeAttr* environment = chrome->getEnvironmentMapTexture();
    ASSERT_TRUE(environment);
    EXPECT_EQ(environment->getApplyMode(), ZK_TEXTURE_APPLY_SPHERE);
    EXPECT_EQ(levelOf(environment->getImage(0)), 120);
    ASSERT_TRUE(chrome->getDiffuseTexture());
    EXPECT_EQ(levelOf(chrome->getDiffuseTexture()->getTexture()->getImage(0)), 100);
    ASSERT_TRUE(chrome->getGlossMapTexture());
    EXPECT_EQ(levelOf(chrome->getGlossMapTexture()->getImage(0)), 110);

    // The passes take it from there: the sphere map stays, the gloss map goes.
    scene.run(scene.pass<veskoMakeSphereMaps>());
    scene.run(scene.pass<veskoRemoveGlossMaps>());
    EXPECT_EQ(levelOf(environment->getImage(0)), 120);
    EXPECT_EQ(chrome->getGlossMapTexture(), nullptr);

    // Without a readable reflection texture the material has no shader.
    file = Tam::Io::zkImportScene(folder / "missing.dae", error, &warnings);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(warnings, (std::vector<std::string>{"material \"chrome\": texture \"nowhere.png\": no such file; not used"}));
    EXPECT_EQ(shaderUnder(static_cast<zkSceneInfo*>(file->getInfoList()->get(0))->getRoot(), "chrome"), nullptr);
}
