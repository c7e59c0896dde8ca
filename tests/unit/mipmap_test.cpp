// Mipmap levels through both scene forms; what the pass builds is golden cases under
// tests/passes/zkUseMipmapVesko.
#include "host/io/SceneFile.h"
#include "image/zkUseMipmapVesko.h"
#include "tests/harness/PassHarness.h"
#include "tools/examples/TextureSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Tam;
using namespace Tam::Test;
using namespace Tam::Examples;
using Tam::OptExtension::zkUseMipmapVesko;

TEST(MipmapPass, LevelsSurviveBothSceneForms)
{
    PassHarness h;
    auto* texture = attachTexture(h.root.get(), makeImage("wall.tga", 5, 16, 8, randomPixels(16, 8, 3, 7)).get());
    texture->setMipmapTag(1);
    h.run(h.pass<zkUseMipmapVesko>().get());
    ASSERT_EQ(texture->getImageCount(), 5);
    for (auto form : {Io::zkSceneForm::Binary, Io::zkSceneForm::Text}) {
        std::string bytes, error;
        ASSERT_TRUE(Io::zkEncodeScene(h.file.get(), form, bytes, error)) << error;
        auto read = Io::zkDecodeScene(bytes, form, "levels", error);
        ASSERT_NE(read, nullptr) << error;
        std::vector<Gfx::zkImage*> images;
        zkVisitReachable(read.get(), Attrs::zkTextureAttr::getClassTypeSafe(), [&](zkObject* o) {
            auto* t = static_cast<Attrs::zkTextureAttr*>(o);
            for (int i = 0; i < t->getImageCount(); ++i) images.push_back(t->getImage(i));
        });
        ASSERT_EQ(images.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            const Gfx::zkImage* before = texture->getImage(i);
            EXPECT_STREQ(images[i]->getName(), before->getName());
            EXPECT_EQ(images[i]->getWidth(), before->getWidth());
            EXPECT_EQ(images[i]->getFormat(), before->getFormat());
            ASSERT_EQ(images[i]->getDataSize(), before->getDataSize());
            EXPECT_EQ(0, std::memcmp(images[i]->getData(), before->getData(), before->getDataSize()));
        }
    }
}
