#include "tools/examples/SceneExample.h"

#include "tools/examples/InstancedScene.h"

#include <vector>

namespace Tam::Examples {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;

namespace {

template <class T = zkGroup>
zkSmartPointer<T> child(zkGroup* parent, const char* name)
{
    auto n = zkCreate<T>();
    n->setName(name);
    parent->appendChild(n.get());
    return n;
}

zkSmartPointer<zkImage> solidImage(const char* name, uint8_t red)
{
    auto image = zkCreate<zkImage>();
    image->setName(name);
    std::vector<uint8_t> texels(2 * 2 * 4, 255);
    for (std::size_t i = 0; i < texels.size(); i += 4) texels[i] = red;
    image->load(texels.data(), ZK_GFX_TEXTURE_FORMAT_RGBA_8888_32, 2, 2);
    return image;
}

// Each shader gets its own texture objects; alike shaders have alike images.
void environmentShader(zkGroup* parent, const char* name, uint8_t tint)
{
    auto shader = child<zkDx8EnvironmentMapShader>(parent, name);
    auto diffuse = zkCreate<zkTextureAttr>();
    diffuse->setImage(solidImage("paint", tint), 0);
    auto bind = zkCreate<zkTextureBindAttr>();
    bind->setTexture(diffuse);
    shader->setDiffuseTexture(bind.get());
    auto gloss = zkCreate<zkTextureAttr>();
    gloss->setImage(solidImage("gloss", 128), 0);
    shader->setGlossMapTexture(gloss.get());
    auto cube = zkCreate<zkTextureCubeAttr>();
    for (int face = 0; face < zkTextureCubeAttr::kFaceCount; ++face)
        cube->setCubeImage(face, solidImage("sky", static_cast<uint8_t>(30 * face)).get());
    shader->setEnvironmentMapTexture(cube.get());
    shader->reflectivity = 0.6f;
    shader->appendChild(shapeGeometry("hubcap", 40, 40).get());
}

zkSmartPointer<zkTransform> placed(zkGroup* parent, const char* name, float x)
{
    auto t = child<zkTransform>(parent, name);
    zkMatrix44f m;
    m.m[3][0] = x;
    t->setMatrix(m);
    return t;
}

} // namespace

zkSmartPointer<zkFileInfo> buildSceneExample()
{
    auto file = zkCreate<zkFileInfo>();
    file->setName("courtyard");
    auto root = zkCreate<zkGroup>();
    root->setName("courtyard");
    auto info = zkCreate<zkSceneInfo>();
    info->setName("courtyard");
    info->setRoot(root);
    file->getInfoList()->append(info);

    auto yard = child<zkAttrSet>(root.get(), "yard$fn1,0.6,0.6,0.7,1,20.0,200.0,0.01");
    auto crate = shapeGeometry("crate", 10, 48);
    for (const char* name : {"crate_a", "crate_b", "crate_c"})
        placed(yard.get(), name, 3.0f * static_cast<float>(yard->getChildCount()))->appendChild(crate.get());
    child<zkAttrSet>(yard.get(), "lamp$bc")->appendChild(shapeGeometry("lamp_post", 20, 40).get());
    auto sign = child<zkAttrSet>(yard.get(), "sign$bb2");
    sign->appendChild(shapeGeometry("sign_board", 30, 36).get());
    child(sign.get(), "sign_text");
    child<zkAttrSet>(yard.get(), "unused_material");
    auto slot = child<zkSimpleUserInfo>(yard.get(), "shelf_slot");
    slot->setStringProperty("ItemName", "health_pack");
    placed(slot.get(), "shelf_offset", 12.0f)->appendChild(shapeGeometry("health_pack_model", 50, 36).get());
    environmentShader(yard.get(), "chrome", 200);
    environmentShader(yard.get(), "chrome", 200);
    environmentShader(yard.get(), "mirror", 90);

    root->appendChild(shapeGeometry("barrel_1", 60, 44).get());
    root->appendChild(shapeGeometry("barrel_2", 60, 44).get());
    auto marker = shapeGeometry("marker", 70, 3);
    marker->setFlags(ZK_NODE_FLAG_INVISIBLE);
    root->appendChild(marker.get());
    for (const char* name : {"GunBarrel", "fx", "Preserve_door", "decoration"}) child(root.get(), name);
    child<zkLightSet>(root.get(), "sun");
    child<zkCamera>(root.get(), "overview");
    return file;
}

} // namespace Tam::Examples
