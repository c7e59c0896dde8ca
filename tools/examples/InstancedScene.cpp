#include "tools/examples/InstancedScene.h"

#include <functional>
#include <random>
#include <unordered_map>
#include <vector>

namespace Tam::Examples {

using namespace Tam::Core;
using namespace Tam::Sg;
using namespace Tam::Attrs;
using namespace Tam::Gfx;

zkSmartPointer<zkGeometry> shapeGeometry(const std::string& name, uint32_t shape, int vertexCount)
{
    std::mt19937 random(shape * 7919u + 17u);
    std::uniform_real_distribution<float> value(-10.0f, 10.0f);
    auto array = zkCreate<zkVertexArray>();
    const uint32_t format = zkVertexFormat::POSITION | zkVertexFormat::NORMAL | (1u << zkVertexFormat::TEXCOORD_SHIFT);
    array->configure(format, vertexCount, 0, 0);
    for (int v = 0; v < vertexCount; ++v) {
        array->setPosition(v, {value(random), value(random), value(random)});
        array->setNormal(v, {0.0f, 1.0f, 0.0f});
        array->setTextureCoord(0, v, value(random), value(random));
    }
    auto attr = zkCreate<zkGeometryAttr>();
    attr->configureVertexArray(array.get());
    attr->setPrimitives(ZK_PRIMITIVE_TRIANGLE_LIST, vertexCount / 3, 0);
    auto geometry = zkCreate<zkGeometry>();
    geometry->setName(name.c_str());
    geometry->appendAttr(attr.get());
    return geometry;
}

void buildInstancedScene(zkGroup* root, const InstancedSceneLayout& layout)
{
    std::mt19937 random(layout.seed);
    std::uniform_int_distribution<int> size(layout.minVertices, layout.maxVertices);
    std::vector<int> vertexCounts(layout.shapes);
    for (int s = 0; s < layout.shapes; ++s) vertexCounts[s] = s % 5 == 4 && s > 0 ? vertexCounts[s - 1] : size(random);

    std::vector<zkSmartPointer<zkGroup>> groups;
    for (int g = 0; g < layout.groups; ++g) {
        groups.push_back(zkCreate<zkGroup>());
        groups.back()->setName(("group" + std::to_string(g)).c_str());
        root->appendChild(groups.back().get());
    }
    std::uniform_int_distribution<int> pickShape(0, layout.shapes - 1);
    std::uniform_int_distribution<int> pickGroup(0, layout.groups - 1);
    for (int i = 0; i < layout.geometries; ++i) {
        const int s = pickShape(random);
        // A near twin: the shape before it with one coordinate moved.
        const bool twin = s % 5 == 4 && s > 0;
        auto geometry = shapeGeometry("shape" + std::to_string(s), static_cast<uint32_t>(twin ? s - 1 : s), vertexCounts[s]);
        if (twin) {
            zkVertexArray* array = geometry->getGeometryAttr(0)->getVertexArray();
            array->getPosition(vertexCounts[s] / 2)[1] += 0.25f;
        }
        groups[pickGroup(random)]->appendChild(geometry.get());
        if (layout.sharedEvery > 0 && i % layout.sharedEvery == layout.sharedEvery - 1)
            groups[pickGroup(random)]->appendChild(geometry.get());
    }
}

std::string describeGraph(const zkNode* root, bool withNames)
{
    std::unordered_map<const zkNode*, int> numbers;
    std::string text;
    std::function<void(const zkNode*)> describe = [&](const zkNode* node) {
        if (!node || numbers.count(node)) return;
        const int number = static_cast<int>(numbers.size());
        numbers.emplace(node, number);
        std::vector<const zkNode*> children;
        if (const zkGroup* group = zkGroup::dynamicCast(node))
            for (int i = 0; i < group->getChildCount(); ++i) children.push_back(group->getChild(i));
        for (const zkNode* child : children) describe(child);
        text += std::to_string(number) + " " + node->getMeta()->getName();
        if (withNames) text += std::string(" \"") + node->getName() + "\"";
        text += ":";
        for (const zkNode* child : children) text += " " + std::to_string(child ? numbers[child] : -1);
        text += "\n";
    };
    describe(root);
    return text;
}

} // namespace Tam::Examples
