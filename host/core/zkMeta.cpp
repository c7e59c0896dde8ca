#include "host/core/zkMeta.h"

#include <cstring>
#include <map>
#include <string>

namespace Tam::Core {

const char* zkFieldKindName(zkFieldKind kind)
{
    switch (kind) {
    case zkFieldKind::Bool: return "bool";
    case zkFieldKind::Int: return "int";
    case zkFieldKind::UInt: return "unsigned int";
    case zkFieldKind::Float: return "float";
    case zkFieldKind::Enum: return "enum";
    case zkFieldKind::String: return "string";
    case zkFieldKind::Object: return "object";
    case zkFieldKind::Int64: return "int64";
    case zkFieldKind::Vec3: return "vec3";
    case zkFieldKind::Matrix: return "matrix";
    case zkFieldKind::Text: return "text";
    case zkFieldKind::Data: return "data";
    case zkFieldKind::IntArray: return "int array";
    case zkFieldKind::FloatArray: return "float array";
    case zkFieldKind::ObjectArray: return "object array";
    }
    return "?";
}

const char* zkMetaEnum::getEnumName(int value) const
{
    for (const Entry& e : m_entries)
        if (e.value == value) return e.name;
    return nullptr;
}

bool zkMetaEnum::getEnumValue(const char* name, int& value) const
{
    for (const Entry& e : m_entries)
        if (std::strcmp(e.name, name) == 0) {
            value = e.value;
            return true;
        }
    return false;
}

void zkObjectRefMetaField::applyDefault(zkObject* o) const
{
    zkSmartPointer<zkObject>& value = ref<zkSmartPointer<zkObject>>(o);
    value = nullptr;
    if (m_constructed && m_referenced && m_referenced->isInstantiable())
        value = zkSmartPointer<zkObject>::adopt(m_referenced->createInstance(o->getMemoryPool()));
}

zkMetaObject* zkMetaObject::_instantiateFromPool(zkMemoryPool* pool)
{
    if (!pool) pool = zkGetMemoryPool(zkMemoryPoolMetaData);
    zkMetaObject* meta = new (pool->allocate(sizeof(zkMetaObject))) zkMetaObject();
    adoptIntoPool(meta, pool);
    return meta;
}

bool zkMetaObject::isOfType(const zkMetaObject* other) const
{
    for (const zkMetaObject* m = this; m; m = m->m_base)
        if (m == other) return true;
    return false;
}

zkMetaField* zkMetaObject::findMetaField(const char* name) const
{
    for (const auto& f : m_fields)
        if (std::strcmp(f->getName(), name) == 0) return f.get();
    return nullptr;
}

void zkMetaObject::instantiateAndAppendFields(const zkMetaFieldFactory* factories, int count)
{
    zkMemoryPool* pool = getMemoryPool();
    for (int i = 0; i < count; ++i) {
        zkMetaField* field = factories[i](pool);
        field->m_owner = this;
        m_fields.push_back(zkSmartPointer<zkMetaField>::adopt(field));
    }
}

void zkMetaObject::setMetaFieldBasicPropertiesAndValidateAll(const char* const* names, zkMetaField** const* keys,
                                                             const std::size_t* positions, int first)
{
    for (int i = first; i < getMetaFieldCount(); ++i) {
        zkMetaField* field = m_fields[i].get();
        field->m_name = names[i - first];
        field->m_position = positions[i - first];
        *keys[i - first] = field;
    }
    // Validation: own fields lie inside the instance and no name repeats along the class chain.
    for (int i = 0; i < getMetaFieldCount(); ++i) {
        for (int j = 0; j < i; ++j)
            if (std::strcmp(m_fields[i]->getName(), m_fields[j]->getName()) == 0) {
                std::fprintf(stderr, "zkhost: class %s declares field %s twice\n", m_name, m_fields[i]->getName());
                std::abort();
            }
    }
}

zkObject* zkMetaObject::createInstance(zkMemoryPool* pool) const
{
    if (!m_construct) return nullptr;
    if (!pool) pool = zkGetMemoryPool(zkMemoryPoolDefault);
    void* memory = pool->allocate(m_size);
    zkObject* object = m_construct(memory);
    object->m_pool = pool;
    for (const auto& f : m_fields) f->applyDefault(object);
    object->userConstruct();
    return object;
}

namespace {
struct ClassTable {
    std::map<std::string, zkMetaObject*> byName;
    std::vector<zkMetaObject*> inOrder;
};
ClassTable& classTable()
{
    static ClassTable* table = new ClassTable();
    return *table;
}
} // namespace

__internalFunctionList* zkArkRegister(bool, zkMetaObject** metaSlot, zkRegisterInternalFunction baseRegister,
                                      zkGetMetaFunction baseGetMeta, zkGetMetaFunction, const char* name,
                                      std::size_t instanceSize, zkVTableFunction retrieveVTable,
                                      zkInitializeFunction initialize, zkInitializeFunction initialize2,
                                      const zkRegisterFunction* dependencies, zkConstructFunction construct)
{
    if (*metaSlot && (*metaSlot)->m_registered) return &(*metaSlot)->m_functions;
    if (!*metaSlot) *metaSlot = zkMetaObject::_instantiateFromPool(zkGetMemoryPool(zkMemoryPoolMetaData));
    zkMetaObject* meta = *metaSlot;
    // A class whose fields refer back to itself may come here again while it is being registered.
    if (meta->m_size != 0) return &meta->m_functions;

    if (baseRegister) baseRegister();
    meta->m_name = name;
    meta->m_size = instanceSize;
    meta->m_vtable = retrieveVTable;
    meta->m_construct = construct;
    meta->m_base = baseGetMeta ? baseGetMeta() : nullptr;
    if (meta->m_base) meta->m_fields = meta->m_base->m_fields;
    meta->m_ownFieldStart = meta->getMetaFieldCount();
    if (initialize) initialize();
    if (initialize2) initialize2();
    for (const zkRegisterFunction* d = dependencies; d && *d; ++d) (*d)();

    ClassTable& table = classTable();
    if (table.byName.emplace(name, meta).second) table.inOrder.push_back(meta);
    meta->m_registered = true;
    return &meta->m_functions;
}

void zkArkRegister(zkRegisterInternalFunction registerInternal) { registerInternal(); }

zkMetaObject* zkFindClass(const char* name)
{
    auto& byName = classTable().byName;
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

const std::vector<zkMetaObject*>& zkRegisteredClasses() { return classTable().inOrder; }

zkObject* zkCreateInstanceByName(const char* name, zkMemoryPool* pool)
{
    zkMetaObject* meta = zkFindClass(name);
    return meta ? meta->createInstance(pool) : nullptr;
}

} // namespace Tam::Core
