// Run-time classes: meta objects, typed meta fields and meta enums, and class registration. Every
// host class and every pass is described by one zkMetaObject whose fields say where each value lies
// in an instance, so that creation by name, copying, visiting, configuration and file I/O are
// written once for all classes.
#pragma once
#include "host/core/zkObject.h"
#include "host/core/zkString.h"
#include "host/math/zkMath.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace Tam::Core {

class zkMetaField;
using zkMetaFieldFactory = zkMetaField* (*)(zkMemoryPool*);
using zkRegisterFunction = void (*)();
using zkRegisterInternalFunction = __internalFunctionList* (*)();
using zkGetMetaFunction = zkMetaObject* (*)();
using zkInitializeFunction = void (*)();
using zkVTableFunction = void* (*)();
using zkConstructFunction = zkObject* (*)(void* memory);

// Every kind of value a field can hold. The first seven are what passes register; the rest carry
// the host's own data (geometry, pixels, animation keys, object lists).
enum class zkFieldKind : uint8_t {
    Bool, Int, UInt, Float, Enum, String, Object,
    Int64, Vec3, Matrix, Text, Data, IntArray, FloatArray, ObjectArray,
};
const char* zkFieldKindName(zkFieldKind kind);

class zkMetaEnum {
public:
    struct Entry { int value; const char* name; };
    zkMetaEnum(const char* name, std::vector<Entry> entries) : m_name(name), m_entries(std::move(entries)) {}
    const char* getName() const { return m_name; }
    const char* getEnumName(int value) const;
    bool getEnumValue(const char* name, int& value) const;
    const std::vector<Entry>& getEntries() const { return m_entries; }

private:
    const char* m_name;
    std::vector<Entry> m_entries;
};
using zkMetaEnumFunction = zkMetaEnum* (*)();

// Storage types of the host's own field kinds.
using zkDataBlock = std::vector<uint8_t>;
using zkIntArray = std::vector<int32_t>;
using zkFloatArray = std::vector<float>;
struct zkRefArrayBase {
    std::vector<zkSmartPointer<zkObject>> items;
};
// An owned list of references to objects of class T (or subclasses).
template <class T>
struct zkRefArray : zkRefArrayBase {
    T* at(std::size_t i) const { return static_cast<T*>(items[i].get()); }
    std::size_t size() const { return items.size(); }
};
// A reference the holder does not own: deep copies share it instead of copying it.
template <class T>
class zkSharedRef : public zkSmartPointer<T> {
public:
    using zkSmartPointer<T>::zkSmartPointer;
    using zkSmartPointer<T>::operator=;
};
// An owned reference that starts null: deep copies copy it, but nothing is made with the holder.
template <class T>
class zkChildRef : public zkSmartPointer<T> {
public:
    using zkSmartPointer<T>::zkSmartPointer;
    using zkSmartPointer<T>::operator=;
};

class zkMetaField : public zkObject {
public:
    const char* getName() const { return m_name; }
    std::size_t getPosition() const { return m_position; }
    zkFieldKind getKind() const { return m_kind; }
    const char* getKindName() const { return zkFieldKindName(m_kind); }
    zkMetaObject* getOwner() const { return m_owner; }

    void* address(zkObject* o) const { return reinterpret_cast<char*>(o) + m_position; }
    const void* address(const zkObject* o) const { return reinterpret_cast<const char*>(o) + m_position; }
    template <class T> T& ref(zkObject* o) const { return *static_cast<T*>(address(o)); }
    template <class T> const T& ref(const zkObject* o) const { return *static_cast<const T*>(address(o)); }

    // Puts the registered default (or the kind's own) into an instance.
    virtual void applyDefault(zkObject* o) const = 0;
    // Copies the value as it stands: references are shared, not followed.
    virtual void copyValue(zkObject* to, const zkObject* from) const = 0;

protected:
    explicit zkMetaField(zkFieldKind kind) : m_kind(kind) {}

private:
    friend class zkMetaObject;
    const char* m_name = "";
    std::size_t m_position = 0;
    zkFieldKind m_kind;
    zkMetaObject* m_owner = nullptr;
};

// A field class over one storage type: default, copy and typed access.
template <class T, zkFieldKind K>
class zkTypedMetaField : public zkMetaField {
public:
    using ValueType = T;
    zkTypedMetaField() : zkMetaField(K) {}
    const T& getDefault() const { return m_default; }
    bool hasDefault() const { return m_hasDefault; }
    T& get(zkObject* o) const { return ref<T>(o); }
    const T& get(const zkObject* o) const { return ref<T>(o); }
    void set(zkObject* o, const T& v) const { ref<T>(o) = v; }
    void applyDefault(zkObject* o) const override { ref<T>(o) = m_default; }
    void copyValue(zkObject* to, const zkObject* from) const override { ref<T>(to) = ref<T>(from); }

protected:
    void storeDefault(const T& v) { m_default = v; m_hasDefault = true; }
    T m_default{};
    bool m_hasDefault = false;
};

#define ZK_FIELD_CLASS_INSTANTIATE(C) \
    static zkMetaField* _instantiateFromPool(zkMemoryPool* pool) { return zkMetaFieldCreate<C>(pool); }

template <class C>
zkMetaField* zkMetaFieldCreate(zkMemoryPool* pool);

class zkBoolMetaField : public zkTypedMetaField<bool, zkFieldKind::Bool> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkBoolMetaField)
    void setDefault(bool v) { storeDefault(v); }
};
class zkIntMetaField : public zkTypedMetaField<int32_t, zkFieldKind::Int> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkIntMetaField)
    void setDefault(int v) { storeDefault(v); }
};
class zkUnsignedIntMetaField : public zkTypedMetaField<uint32_t, zkFieldKind::UInt> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkUnsignedIntMetaField)
    void setDefault(unsigned int v) { storeDefault(v); }
};
class zkFloatMetaField : public zkTypedMetaField<float, zkFieldKind::Float> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkFloatMetaField)
    void setDefault(float v) { storeDefault(v); }
};
// Enum values are stored as int; the meta enum names them.
class zkEnumMetaField : public zkTypedMetaField<int32_t, zkFieldKind::Enum> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkEnumMetaField)
    void setDefault(const int& v) { storeDefault(v); }
    void setMetaEnumFunction(zkMetaEnumFunction f) { m_enum = f; }
    zkMetaEnum* getMetaEnum() const { return m_enum ? m_enum() : nullptr; }

private:
    zkMetaEnumFunction m_enum = nullptr;
};
class zkStringMetaField : public zkTypedMetaField<zkStringRef, zkFieldKind::String> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkStringMetaField)
    void setDefault(const char* v) { storeDefault(zkStringRef(v)); }
    // Values are interned: equal strings share storage.
    void setPooled(bool v) { m_pooled = v; }
    bool isPooled() const { return m_pooled; }

private:
    bool m_pooled = false;
};
class zkObjectRefMetaField : public zkTypedMetaField<zkSmartPointer<zkObject>, zkFieldKind::Object> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkObjectRefMetaField)
    void setReferencedMeta(zkMetaObject* meta) { m_referenced = meta; }
    zkMetaObject* getReferencedMeta() const { return m_referenced; }
    // An owned reference is part of its holder: deep copies copy it. Others are shared.
    void setOwned(bool v) { m_owned = v; }
    bool isOwned() const { return m_owned; }
    // The class system constructs the referenced object together with the holder (the lists
    // that passes keep, for example), so a new instance never holds null there.
    void setConstructedWithHolder(bool v) { m_constructed = v; }
    bool isConstructedWithHolder() const { return m_constructed; }
    void applyDefault(zkObject* o) const override;

private:
    zkMetaObject* m_referenced = nullptr;
    bool m_owned = false;
    bool m_constructed = false;
};

// The host's own kinds.
class zkInt64MetaField : public zkTypedMetaField<int64_t, zkFieldKind::Int64> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkInt64MetaField)
    void setDefault(int64_t v) { storeDefault(v); }
};
class zkVec3MetaField : public zkTypedMetaField<Math::zkVec3f, zkFieldKind::Vec3> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkVec3MetaField)
};
class zkMatrixMetaField : public zkTypedMetaField<Math::zkMatrix44f, zkFieldKind::Matrix> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkMatrixMetaField)
};
class zkTextMetaField : public zkTypedMetaField<std::string, zkFieldKind::Text> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkTextMetaField)
    void setDefault(const char* v) { storeDefault(v); }
};
class zkDataMetaField : public zkTypedMetaField<zkDataBlock, zkFieldKind::Data> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkDataMetaField)
};
class zkIntArrayMetaField : public zkTypedMetaField<zkIntArray, zkFieldKind::IntArray> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkIntArrayMetaField)
};
class zkFloatArrayMetaField : public zkTypedMetaField<zkFloatArray, zkFieldKind::FloatArray> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkFloatArrayMetaField)
};
class zkObjectArrayMetaField : public zkTypedMetaField<zkRefArrayBase, zkFieldKind::ObjectArray> {
public:
    ZK_FIELD_CLASS_INSTANTIATE(zkObjectArrayMetaField)
    void setElementMeta(zkMetaObject* meta) { m_element = meta; }
    zkMetaObject* getElementMeta() const { return m_element; }

private:
    zkMetaObject* m_element = nullptr;
};

struct __internalFunctionList {
    zkMetaObject* meta;
};

class zkMetaObject : public zkObject {
public:
    static zkMetaObject* _instantiateFromPool(zkMemoryPool* pool);

    const char* getName() const { return m_name; }
    zkMetaObject* getBase() const { return m_base; }
    bool isRegistered() const { return m_registered; }
    std::size_t getInstanceSize() const { return m_size; }
    bool isOfType(const zkMetaObject* other) const;
    // Whether instances can be made (abstract classes have no constructor).
    bool isInstantiable() const { return m_construct != nullptr; }

    // Fields: the base classes' first, then the class's own.
    int getMetaFieldCount() const { return static_cast<int>(m_fields.size()); }
    zkMetaField* getIndexedMetaField(int i) const { return m_fields[i].get(); }
    int getOwnFieldStart() const { return m_ownFieldStart; }
    zkMetaField* findMetaField(const char* name) const;
    void instantiateAndAppendFields(const zkMetaFieldFactory* factories, int count);
    void setMetaFieldBasicPropertiesAndValidateAll(const char* const* names, zkMetaField** const* keys,
                                                   const std::size_t* positions, int first);

    // A new instance with every field at its default, owned by the caller (count one).
    zkObject* createInstance(zkMemoryPool* pool) const;
    void* getVTablePointer() const { return m_vtable ? m_vtable() : nullptr; }
    // Gives an object built outside createInstance (meta fields, meta objects) its pool.
    static void adoptIntoPool(zkObject* object, zkMemoryPool* pool) { object->m_pool = pool; }

private:
    friend __internalFunctionList* zkArkRegister(bool, zkMetaObject**, zkRegisterInternalFunction, zkGetMetaFunction,
                                                 zkGetMetaFunction, const char*, std::size_t, zkVTableFunction,
                                                 zkInitializeFunction, zkInitializeFunction, const zkRegisterFunction*,
                                                 zkConstructFunction);
    const char* m_name = "";
    zkMetaObject* m_base = nullptr;
    std::vector<zkSmartPointer<zkMetaField>> m_fields;
    int m_ownFieldStart = 0;
    bool m_registered = false;
    std::size_t m_size = 0;
    zkVTableFunction m_vtable = nullptr;
    zkConstructFunction m_construct = nullptr;
    __internalFunctionList m_functions{this};
};

// Registers a class from its record, once: creates the meta object when still empty, links it to
// its base (registering the base first), lets the class append its fields, registers the classes
// its references need, and sets the registered flag. The last value is our host's addition: the
// host builds instances through a constructor thunk rather than by patching a virtual table
// pointer into raw memory.
__internalFunctionList* zkArkRegister(bool abstractFlag, zkMetaObject** meta, zkRegisterInternalFunction baseRegister,
                                      zkGetMetaFunction baseGetMeta, zkGetMetaFunction getMetaSafe, const char* name,
                                      std::size_t instanceSize, zkVTableFunction retrieveVTable,
                                      zkInitializeFunction initialize, zkInitializeFunction initialize2,
                                      const zkRegisterFunction* dependencies, zkConstructFunction construct = nullptr);
void zkArkRegister(zkRegisterInternalFunction registerInternal);

// The class registry: every registered class by name, in registration order.
zkMetaObject* zkFindClass(const char* name);
const std::vector<zkMetaObject*>& zkRegisteredClasses();
// Creates an instance of the named class, or null when no such class is registered.
zkObject* zkCreateInstanceByName(const char* name, zkMemoryPool* pool = nullptr);

template <class C>
zkMetaField* zkMetaFieldCreate(zkMemoryPool* pool)
{
    if (!pool) pool = zkGetMemoryPool(zkMemoryPoolMetaData);
    void* memory = pool->allocate(sizeof(C));
    C* field = new (memory) C();
    zkMetaObject::adoptIntoPool(field, pool);
    return field;
}

} // namespace Tam::Core
