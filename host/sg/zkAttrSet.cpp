#include "host/sg/zkAttrSet.h"

#include "host/core/zkHostClass.h"

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkAttrSet)
ZK_DEFINE_HOST_CLASS(zkOverrideAttrSet)
ZK_DEFINE_HOST_CLASS(zkGeometry)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkMorphInstance)

void zkAttrSet::appendAttr(zkAttr* attr)
{
    if (!attr) return;
    if (!attrs) attrs = zkCreate<zkAttrList>(getMemoryPool());
    attrs->append(attr);
}

void zkAttrSet::insertAttr(int i, zkAttr* attr)
{
    if (!attr || i < 0 || i > getAttrCount()) return;
    if (!attrs) attrs = zkCreate<zkAttrList>(getMemoryPool());
    attrs->insert(i, attr);
}

void zkAttrSet::setAttr(int i, zkAttr* attr)
{
    if (i >= 0 && i < getAttrCount()) attrs->set(i, attr);
}

bool zkAttrSet::removeAttr(zkAttr* attr) { return attrs && attrs->removeByValue(attr); }

void zkAttrSet::removeAttr(int i)
{
    if (i >= 0 && i < getAttrCount()) attrs->remove(i);
}

int zkGeometry::getVertexCount() const
{
    int total = 0;
    for (int i = 0; i < getGeometryAttrCount(); ++i)
        if (zkGeometryAttr* a = getGeometryAttr(i)) total += a->getVertexCount();
    return total;
}

} // namespace Tam::Sg
