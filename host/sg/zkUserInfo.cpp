#include "host/sg/zkUserInfo.h"

#include "host/core/zkHostClass.h"

namespace Tam::Sg {

ZK_DEFINE_HOST_CLASS(zkKey)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkStringKey)
ZK_DEFINE_HOST_CLASS(zkValue)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkStringValue)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkIntValue)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkFloatValue)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkProperty)
ZK_DEFINE_HOST_CLASS_WITH_FIELDS(zkUserInfo)
ZK_DEFINE_HOST_CLASS(zkSimpleUserInfo)
ZK_DEFINE_HOST_CLASS(zkHashedUserInfo)

bool zkStringKey::matches(const zkKey* other) const
{
    const zkStringKey* s = zkStringKey::dynamicCast(other);
    return s && s->value == value;
}

zkProperty* zkUserInfo::getProperty(const zkKey* key) const
{
    if (!key) return nullptr;
    for (std::size_t i = 0; i < properties.size(); ++i) {
        zkProperty* p = properties.at(i);
        if (p && p->getKey() && key->matches(p->getKey())) return p;
    }
    return nullptr;
}

zkProperty* zkUserInfo::getProperty(const char* key) const
{
    auto k = zkCreate<zkStringKey>();
    k->setValue(key);
    return getProperty(k.get());
}

void zkUserInfo::setProperty(const char* key, zkValue* value)
{
    if (zkProperty* p = getProperty(key)) {
        p->setValue(value);
        return;
    }
    auto k = zkCreate<zkStringKey>(getMemoryPool());
    k->setValue(key);
    auto p = zkCreate<zkProperty>(getMemoryPool());
    p->setKey(k.get());
    p->setValue(value);
    properties.items.emplace_back(p.get());
}

void zkUserInfo::setStringProperty(const char* key, const char* text)
{
    auto v = zkCreate<zkStringValue>(getMemoryPool());
    v->setValue(text);
    setProperty(key, v.get());
}

bool zkUserInfo::removeProperty(const char* key)
{
    zkProperty* p = getProperty(key);
    for (std::size_t i = 0; p && i < properties.size(); ++i)
        if (properties.at(i) == p) {
            properties.items.erase(properties.items.begin() + i);
            return true;
        }
    return false;
}

} // namespace Tam::Sg
