#include "tests/harness/PassHarness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

namespace Tam::Test {

PassHarness::PassHarness() : PassHarness(zkCreate<zkFileInfo>())
{
    file->setName("scene.zks");
    root = zkCreate<zkGroup>();
    root->setName("root");
    auto info = zkCreate<zkSceneInfo>();
    info->setRoot(root);
    file->getInfoList()->append(info);
}

PassHarness::PassHarness(zkSmartPointer<zkFileInfo> scene) : file(std::move(scene))
{
    zkObjectList* infos = file->getInfoList();
    for (int i = 0; infos && i < infos->getCount() && !root; ++i)
        if (zkSceneInfo* info = zkSceneInfo::dynamicCast(infos->get(i)))
            root = zkSmartPointer<zkGroup>(zkGroup::dynamicCast(info->getRoot()));
    host.setFile(file);
    host.setRegistry(&registry);
    host.setSink([this](const std::string& text) { printed += text; });
}

int PassHarness::section(const std::string& name, std::initializer_list<std::pair<std::string, std::string>> keys)
{
    int index = registry.getSectionIndex(name);
    if (index < 0) index = registry.addSection(name);
    for (const auto& [key, value] : keys) registry.setValue(index, key, value);
    return index;
}

zkSmartPointer<zkOptBase> PassHarness::create(const char* className)
{
    return zkSmartPointer<zkOptBase>::adopt(host.createOptBase(className));
}

bool PassHarness::configure(zkOptBase* pass, int sectionIndex)
{
    if (sectionIndex < 0) sectionIndex = section(pass->getMeta()->getName());
    return pass->configure(sectionIndex);
}

void PassHarness::configureExpectingSuccess(zkOptBase* pass, int sectionIndex)
{
    ASSERT_NE(pass, nullptr);
    EXPECT_TRUE(configure(pass, sectionIndex)) << pass->getMeta()->getName() << " refused configure";
}

bool PassHarness::apply(zkOptBase* pass)
{
    printed.clear();
    return host.applyPass(pass);
}

std::string PassHarness::run(zkOptBase* pass)
{
    EXPECT_TRUE(apply(pass)) << pass->getMeta()->getName() << " failed; it printed:\n" << printed;
    return printed;
}

std::vector<std::string> childNames(const zkGroup* group)
{
    std::vector<std::string> names;
    for (int i = 0; i < group->getChildCount(); ++i) names.emplace_back(group->getChild(i)->getName());
    return names;
}

std::string geometryName(const zkNode* node, int attr)
{
    char text[256];
    std::snprintf(text, sizeof text, "Geometry 0x%08x \"%s\", attr%d",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(node)), node->getName(), attr);
    return text;
}

} // namespace Tam::Test
