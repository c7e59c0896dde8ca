// User data in the scene: groups that carry key/value properties, such as the collision words
// and "material" of collision geometry or the "ItemName" of item placeholders. Keys compare
// case-sensitively.
#pragma once
#include "host/sg/zkNode.h"

#include <string>

namespace Tam::Sg {

class zkKey : public zkObject {
    ZK_CLASS(zkKey, zkObject)
public:
    virtual bool matches(const zkKey* /*other*/) const { return false; }
    virtual std::size_t hash() const { return 0; }
};

class zkStringKey : public zkKey {
    ZK_CLASS(zkStringKey, zkKey)
public:
#define zkStringKey_FIELDS(F) F(std::string, value, k_value)
    ZK_FIELDS(zkStringKey_FIELDS)
    const char* getValue() const { return value.c_str(); }
    void setValue(const char* v) { value = v ? v : ""; }
    bool matches(const zkKey* other) const override;
    std::size_t hash() const override { return std::hash<std::string>()(value); }
};

class zkValue : public zkObject {
    ZK_CLASS(zkValue, zkObject)
};

class zkStringValue : public zkValue {
    ZK_CLASS(zkStringValue, zkValue)
public:
#define zkStringValue_FIELDS(F) F(std::string, value, k_value)
    ZK_FIELDS(zkStringValue_FIELDS)
    const char* getValue() const { return value.c_str(); }
    const char* getString() const { return value.c_str(); }
    void setValue(const char* v) { value = v ? v : ""; }
};

class zkIntValue : public zkValue {
    ZK_CLASS(zkIntValue, zkValue)
public:
#define zkIntValue_FIELDS(F) F(int32_t, value, k_value)
    ZK_FIELDS(zkIntValue_FIELDS)
    int getValue() const { return value; }
    void setValue(int v) { value = v; }
};

class zkFloatValue : public zkValue {
    ZK_CLASS(zkFloatValue, zkValue)
public:
#define zkFloatValue_FIELDS(F) F(float, value, k_value)
    ZK_FIELDS(zkFloatValue_FIELDS)
    float getValue() const { return value; }
    void setValue(float v) { value = v; }
};

class zkProperty : public zkObject {
    ZK_CLASS(zkProperty, zkObject)
public:
#define zkProperty_FIELDS(F)                 \
    F(zkChildRef<zkKey>, key, k_key)         \
    F(zkChildRef<zkValue>, value, k_value)
    ZK_FIELDS(zkProperty_FIELDS)
    zkKey* getKey() const { return key.get(); }
    zkValue* getValue() const { return value.get(); }
    void setKey(zkKey* k) { key = k; }
    void setValue(zkValue* v) { value = v; }
};

// A group with properties, looked up through a virtual so that a derived form may index them.
class zkUserInfo : public zkGroup {
    ZK_CLASS(zkUserInfo, zkGroup)
public:
#define zkUserInfo_FIELDS(F) F(zkRefArray<zkProperty>, properties, k_properties)
    ZK_FIELDS(zkUserInfo_FIELDS)

    // The first property whose key matches, or null.
    virtual zkProperty* getProperty(const zkKey* key) const;
    zkProperty* getProperty(const char* key) const;
    int getPropertyCount() const { return static_cast<int>(properties.size()); }
    zkProperty* getPropertyAt(int i) const { return properties.at(i); }
    // Sets the value of the property with that key, appending one when there is none.
    void setProperty(const char* key, zkValue* value);
    void setStringProperty(const char* key, const char* text);
    bool removeProperty(const char* key);
};

class zkSimpleUserInfo : public zkUserInfo {
    ZK_CLASS(zkSimpleUserInfo, zkUserInfo)
};

// The form that stores its properties hashed on the game side. In the host both forms keep the
// list in file order and look keys up alike: user infos hold a few dozen properties at most.
class zkHashedUserInfo : public zkUserInfo {
    ZK_CLASS(zkHashedUserInfo, zkUserInfo)
};

} // namespace Tam::Sg
