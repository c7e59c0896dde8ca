// Shares the textures of identical DirectX 8 environment-map shaders: each shader that equals an
// earlier one in walk order takes that one's texture attributes, so their images are stored once.
// Shaders are few in a scene, so every candidate is simply compared with the first of its group.
#include "scene/veskoReinstanceEnvMapShader.h"

#include <cstring>
#include <unordered_set>
#include <vector>

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoReinstanceEnvMapShader)

namespace {

// Names are compared when both images have one; pixels always.
bool sameImage(const zkImage* a, const zkImage* b)
{
    if (!a || !b) return a == b;
    if (*a->getName() && *b->getName() && std::strcmp(a->getName(), b->getName()) != 0) return false;
    if (a->getDataSize() != b->getDataSize()) return false;
    return a->getDataSize() == 0 || std::memcmp(a->getData(), b->getData(), a->getDataSize()) == 0;
}

const zkImage* levelZero(const zkTextureAttr* texture)
{
    return texture->getImageCount() > 0 ? texture->getImage(0) : nullptr;
}

bool sameTexture(const zkTextureAttr* a, const zkTextureAttr* b)
{
    if (!a || !b) return a == b;
    return sameImage(levelZero(a), levelZero(b));
}

bool sameTextureBind(const zkTextureBindAttr* a, const zkTextureBindAttr* b)
{
    if (!a || !b) return a == b;
    return sameTexture(a->getTexture(), b->getTexture());
}

bool sameCubeTexture(const zkTextureCubeAttr* a, const zkTextureCubeAttr* b)
{
    if (!a || !b) return a == b;
    if (!sameTexture(a, b)) return false;
    for (int face = 0; face < zkTextureCubeAttr::kFaceCount; ++face)
        if (!sameImage(a->getCubeImage(face), b->getCubeImage(face))) return false;
    return true;
}

} // namespace

bool veskoReinstanceEnvMapShader::apply(zkSmartPointer<zkNode>& root)
{
    DoInstancing(root.get());
    printf("veskoReinstanceEnvMapShader all done!\n");
    return true;
}

bool veskoReinstanceEnvMapShader::canOptimize(zkNode*)
{
    return true;
}

bool veskoReinstanceEnvMapShader::configure(int)
{
    return true;
}

void veskoReinstanceEnvMapShader::DoInstancing(zkNode* root)
{
    if (!root) return;
    std::vector<zkSmartPointer<zkDx8EnvironmentMapShader>> shaders;
    std::unordered_set<const zkNode*> seen;
    auto walk = zkCreate<zkIterateGraph>(getMemoryPool());
    for (zkNode* node = walk->begin(root); walk->isNotLast(); node = walk->getNext())
        if (node->isOfExactType(zkDx8EnvironmentMapShader::getClassTypeSafe()) && seen.insert(node).second)
            shaders.emplace_back(static_cast<zkDx8EnvironmentMapShader*>(node));

    std::vector<bool> taken(shaders.size(), false);
    for (std::size_t f = 0; f < shaders.size(); ++f) {
        if (taken[f]) continue;
        zkDx8EnvironmentMapShader* first = shaders[f].get();
        std::vector<zkDx8EnvironmentMapShader*> others;
        for (std::size_t g = f + 1; g < shaders.size(); ++g)
            if (!taken[g] && isShaderSame(first, shaders[g].get())) {
                taken[g] = true;
                others.push_back(shaders[g].get());
            }
        if (others.empty()) continue;
        for (zkDx8EnvironmentMapShader* other : others) {
            other->setEnvironmentMapTexture(first->getEnvironmentMapTexture());
            other->setDiffuseTexture(first->getDiffuseTexture());
            other->setGlossMapTexture(first->getGlossMapTexture());
        }
        printf("Reinstanced: %d instances of %s.\n", static_cast<int>(others.size()) + 1, first->getName());
    }
}

bool veskoReinstanceEnvMapShader::isShaderSame(zkDx8EnvironmentMapShader* a, zkDx8EnvironmentMapShader* b)
{
    if (!*a->getName() || !*b->getName() || std::strcmp(a->getName(), b->getName()) != 0) return false;
    return sameTextureBind(a->getDiffuseTexture(), b->getDiffuseTexture()) &&
           sameTexture(a->getGlossMapTexture(), b->getGlossMapTexture()) &&
           sameCubeTexture(a->getEnvironmentMapTexture(), b->getEnvironmentMapTexture()) &&
           a->getReflectivity() == b->getReflectivity() && a->getBlendMode() == b->getBlendMode() &&
           a->getMapType() == b->getMapType();
}

} // namespace Tam::OptExtension
