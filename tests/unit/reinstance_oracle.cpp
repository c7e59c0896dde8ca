// The plain re-instancing, written straight from its description: collect, then repeatedly take
// the first candidate, compare it with every later one, share, and drop the group. The pass
// buckets candidates by hash first; on random scenes both must give the same groups, the same
// lines and the same graph.
#include "scene/veskoReinstanceGeometry.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/InstancedScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <vector>

using namespace Tam::OptExtension;
using Tam::Test::PassHarness;

namespace {

struct PlainResult {
    std::vector<std::vector<int>> groups; // positions in the collection as first made
    std::string printed;
};

PlainResult plainReinstance(veskoReinstanceGeometry& pass, zkNode* root)
{
    std::vector<zkSmartPointer<zkGeometry>> collection;
    std::unordered_set<zkNode*> seen;
    auto walk = zkCreate<zkIterateGraph>();
    for (zkNode* node = walk->begin(root); walk->isNotLast(); node = walk->getNext())
        if (node->isOfExactType(zkGeometry::getClassTypeSafe()) && seen.insert(node).second &&
            static_cast<zkGeometry*>(node)->getVertexCount() > pass._threshold)
            collection.emplace_back(static_cast<zkGeometry*>(node));

    std::vector<int> positions;
    for (std::size_t i = 0; i < collection.size(); ++i) positions.push_back(static_cast<int>(i));

    PlainResult result;
    char line[512];
    int replaced = 0;
    while (!collection.empty()) {
        zkGeometry* first = collection.front().get();
        std::vector<zkGeometry*> group{first};
        std::vector<int> groupPositions{positions.front()};
        for (std::size_t i = 1; i < collection.size(); ++i) {
            zkGeometry* other = collection[i].get();
            if (other->getVertexCount() == first->getVertexCount() && pass.isGeometrySame(first, other)) {
                group.push_back(other);
                groupPositions.push_back(positions[i]);
                ++replaced;
            }
        }
        if (group.size() > 1) {
            std::snprintf(line, sizeof line, "Reinstancing: %d instances of %s. %d vertices.\n",
                          static_cast<int>(group.size()), first->getName(), first->getVertexCount());
            result.printed += line;
            for (std::size_t m = 1; m < group.size(); ++m) {
                zkSmartPointer<zkGeometry> other(group[m]);
                for (int k = 0; k < other->getParentCount(); ++k) {
                    zkGroup* parent = zkGroup::dynamicCast(other->getParent(k));
                    parent->removeChild(other.get());
                    other->unlinkParent(parent);
                    parent->appendChild(first);
                }
            }
        }
        result.groups.push_back(groupPositions);
        std::vector<zkSmartPointer<zkGeometry>> rest;
        std::vector<int> restPositions;
        for (std::size_t i = 0; i < collection.size(); ++i)
            if (std::find(group.begin(), group.end(), collection[i].get()) == group.end()) {
                rest.push_back(collection[i]);
                restPositions.push_back(positions[i]);
            }
        collection.swap(rest);
        positions.swap(restPositions);
    }
    std::snprintf(line, sizeof line, "%d zkGeometry were reinstanced.\n", replaced);
    result.printed += line;
    return result;
}

TEST(ReinstanceOracle, BucketedGroupingMatchesThePlainOneOnRandomScenes)
{
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        Tam::Examples::InstancedSceneLayout layout;
        layout.seed = seed;
        layout.geometries = 60 + static_cast<int>(seed) * 7;
        layout.shapes = 4 + static_cast<int>(seed % 9);
        layout.minVertices = 28;
        layout.maxVertices = 40;
        layout.groups = 1 + static_cast<int>(seed % 5);
        layout.sharedEvery = seed % 3 == 0 ? 0 : 3 + static_cast<int>(seed % 4);

        PassHarness fast, plain;
        Tam::Examples::buildInstancedScene(fast.root.get(), layout);
        Tam::Examples::buildInstancedScene(plain.root.get(), layout);
        ASSERT_EQ(Tam::Examples::describeGraph(fast.root.get()), Tam::Examples::describeGraph(plain.root.get()));

        auto fastPass = fast.pass<veskoReinstanceGeometry>();
        auto plainPass = plain.pass<veskoReinstanceGeometry>();
        // Same groups, by position in the collection, before anything moves.
        const auto candidates = fastPass->collectCandidates(fast.root.get());
        std::vector<std::vector<int>> fastGroups = fastPass->groupIdentical(candidates);
        const PlainResult expected = plainReinstance(*plainPass, plain.root.get());
        EXPECT_EQ(fastGroups, expected.groups) << "seed " << seed;

        const std::string printed = fast.run(fastPass.get());
        EXPECT_EQ(printed, expected.printed + "veskoReinstanceGeometry all done!\n") << "seed " << seed;
        EXPECT_EQ(Tam::Examples::describeGraph(fast.root.get()), Tam::Examples::describeGraph(plain.root.get())) << "seed " << seed;
    }
}

} // namespace
