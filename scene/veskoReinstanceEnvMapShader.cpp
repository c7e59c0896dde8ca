#include "scene/veskoReinstanceEnvMapShader.h"

namespace Tam::OptExtension {

ZK_DEFINE_PASS(veskoReinstanceEnvMapShader)

bool veskoReinstanceEnvMapShader::apply(zkSmartPointer<zkNode>& root)
{
    return true;
}

bool veskoReinstanceEnvMapShader::canOptimize(zkNode* node)
{
    return true;
}

bool veskoReinstanceEnvMapShader::configure(int section)
{
    return true;
}

} // namespace Tam::OptExtension
