// The registration members every run-time class carries, written once. A class declares
//
//   class zkWeldVesko : public zkOptTraverseGraph {
//       ZK_CLASS(zkWeldVesko, zkOptTraverseGraph)
//   public:
//   #define zkWeldVesko_FIELDS(F) F(bool, _weldVerts, k_weldVerts, true) F(int32_t, _total, k_total)
//       ZK_FIELDS(zkWeldVesko_FIELDS)
//       ...
//   };
//
// and its source file says ZK_DEFINE_CLASS(zkWeldVesko, init, deps) or
// ZK_DEFINE_CLASS_WITH_FIELDS(zkWeldVesko, zkWeldVesko_FIELDS, init, deps). A field entry is
// (C++ type, member, key static, [default]); the field's kind follows from its type: bool, int,
// unsigned, float, an enum with a meta enum, zkStringRef, zkSmartPointer<T> (owned, made with the
// holder), zkChildRef<T> (owned, starts null), zkSharedRef<T> (not owned), and the host's own kinds.
#pragma once
#include "host/core/zkMeta.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace Tam::Core {

template <class T, class Enable = void>
struct zkFieldTraits;

template <> struct zkFieldTraits<bool> {
    using Field = zkBoolMetaField;
    static void setup(Field*) {}
    static void setup(Field* f, bool d) { f->setDefault(d); }
};
template <> struct zkFieldTraits<int32_t> {
    using Field = zkIntMetaField;
    static void setup(Field*) {}
    static void setup(Field* f, int d) { f->setDefault(d); }
};
template <> struct zkFieldTraits<uint32_t> {
    using Field = zkUnsignedIntMetaField;
    static void setup(Field*) {}
    static void setup(Field* f, unsigned int d) { f->setDefault(d); }
};
template <> struct zkFieldTraits<float> {
    using Field = zkFloatMetaField;
    static void setup(Field*) {}
    static void setup(Field* f, float d) { f->setDefault(d); }
};
// An enum type E names its meta enum through a free function zkGetMetaEnum(E*), found by lookup in
// E's namespace.
template <class E>
zkMetaEnum* zkMetaEnumOf() { return zkGetMetaEnum(static_cast<E*>(nullptr)); }
template <class E> struct zkFieldTraits<E, std::enable_if_t<std::is_enum_v<E>>> {
    static_assert(sizeof(E) == sizeof(int32_t), "enum fields are stored as 32-bit ints");
    using Field = zkEnumMetaField;
    static void setup(Field* f) { f->setMetaEnumFunction(&zkMetaEnumOf<E>); }
    static void setup(Field* f, E d) { setup(f); f->setDefault(static_cast<int>(d)); }
};
template <> struct zkFieldTraits<zkStringRef> {
    using Field = zkStringMetaField;
    static void setup(Field* f, const char* d = nullptr) { f->setDefault(d); f->setPooled(true); }
};
template <class T> struct zkFieldTraits<zkSmartPointer<T>> {
    using Field = zkObjectRefMetaField;
    static void setup(Field* f)
    {
        f->setReferencedMeta(T::getClassTypeLazy());
        f->setOwned(true);
        f->setConstructedWithHolder(true);
    }
};
template <class T> struct zkFieldTraits<zkChildRef<T>> {
    using Field = zkObjectRefMetaField;
    static void setup(Field* f) { f->setReferencedMeta(T::getClassTypeLazy()); f->setOwned(true); }
};
template <class T> struct zkFieldTraits<zkSharedRef<T>> {
    using Field = zkObjectRefMetaField;
    static void setup(Field* f) { f->setReferencedMeta(T::getClassTypeLazy()); }
};
template <> struct zkFieldTraits<int64_t> {
    using Field = zkInt64MetaField;
    static void setup(Field*) {}
};
template <> struct zkFieldTraits<Math::zkVec3f> {
    using Field = zkVec3MetaField;
    static void setup(Field*) {}
};
template <> struct zkFieldTraits<Math::zkMatrix44f> {
    using Field = zkMatrixMetaField;
    static void setup(Field*) {}
};
template <> struct zkFieldTraits<std::string> {
    using Field = zkTextMetaField;
    static void setup(Field*) {}
    static void setup(Field* f, const char* d) { f->setDefault(d); }
};
template <> struct zkFieldTraits<zkDataBlock> {
    using Field = zkDataMetaField;
    static void setup(Field*) {}
};
template <> struct zkFieldTraits<zkIntArray> {
    using Field = zkIntArrayMetaField;
    static void setup(Field*) {}
};
template <> struct zkFieldTraits<zkFloatArray> {
    using Field = zkFloatArrayMetaField;
    static void setup(Field*) {}
};
template <class T> struct zkFieldTraits<zkRefArray<T>> {
    using Field = zkObjectArrayMetaField;
    static void setup(Field* f) { f->setElementMeta(T::getClassTypeLazy()); }
};

template <class X>
zkObject* zkConstructInstance(void* memory) { return new (memory) X(); }
template <class X>
constexpr zkConstructFunction zkConstructorOf()
{
    if constexpr (std::is_abstract_v<X>) return nullptr;
    else return &zkConstructInstance<X>;
}

// Reads the virtual table pointer of a temporary instance, where this ABI keeps it: at offset 0.
template <class X>
void* zkReadVTablePointer()
{
    X temporary;
    void* pointer = nullptr;
    std::memcpy(&pointer, static_cast<void*>(&temporary), sizeof pointer);
    return pointer;
}

template <class X>
zkMetaObject* zkGetClassTypeLazy()
{
    if (!X::_Meta) X::_Meta = zkMetaObject::_instantiateFromPool(zkGetMemoryPool(zkMemoryPoolMetaData));
    return X::_Meta;
}

template <class X>
zkMetaObject* zkGetClassTypeSafe()
{
    if (X::_Meta && X::_Meta->isRegistered()) return X::_Meta;
    X::arkRegister();
    return X::_Meta;
}

inline void zkNoLibraryInit() {}

} // namespace Tam::Core

// Declarations of the registration members, inside the class body.
#define ZK_CLASS(X, Base)                                                                                   \
public:                                                                                                      \
    using Self = X;                                                                                          \
    using Super = Base;                                                                                      \
    static ::Tam::Core::zkMetaObject* _Meta;                                                                 \
    static ::Tam::Core::__internalFunctionList* arkRegisterInternal();                                       \
    static void arkRegister();                                                                               \
    static ::Tam::Core::zkMetaObject* getClassTypeLazy();                                                    \
    static ::Tam::Core::zkMetaObject* getClassTypeSafe();                                                    \
    static ::Tam::Core::zkMetaObject* getClassMeta() { return _Meta; }                                       \
    static ::Tam::Core::zkMetaObject* getClassType() { return _Meta; }                                       \
    static ::Tam::Core::zkMetaObject* getClassMetaSafe() { return getClassTypeSafe(); }                      \
    static void* retrieveVTablePointer();                                                                    \
    static X* _instantiateFromPool(::Tam::Core::zkMemoryPool* pool);                                         \
    static X* _instantiate() { return _instantiateFromPool(nullptr); }                                       \
    static X* _instantiate(::Tam::Core::zkMemoryPool* pool)                                                  \
    {                                                                                                        \
        ::Tam::Core::zkInstantiateRefDeprecated();                                                           \
        return _instantiateFromPool(pool);                                                                   \
    }                                                                                                        \
    static ::Tam::Core::zkTypeWrapper<X> _instantiateRef() { return {}; }                                    \
    static ::Tam::Core::zkTypeWrapperWithMemoryPool<X> _instantiateRef(::Tam::Core::zkMemoryPool* pool)      \
    {                                                                                                        \
        ::Tam::Core::zkInstantiateRefDeprecated();                                                           \
        return {pool};                                                                                       \
    }                                                                                                        \
    static ::Tam::Core::zkTypeWrapperWithMemoryPool<X> _instantiateRefFromPool(::Tam::Core::zkMemoryPool* p) \
    {                                                                                                        \
        return {p};                                                                                          \
    }                                                                                                        \
    static X* dynamicCast(::Tam::Core::zkObject* o)                                                          \
    {                                                                                                        \
        return o && o->isOfType(_Meta) ? static_cast<X*>(o) : nullptr;                                       \
    }                                                                                                        \
    static const X* dynamicCast(const ::Tam::Core::zkObject* o)                                              \
    {                                                                                                        \
        return o && o->isOfType(_Meta) ? static_cast<const X*>(o) : nullptr;                                 \
    }                                                                                                        \
    ::Tam::Core::zkMetaObject* getMeta() const override { return _Meta; }

// Field members, their key statics and the declaring function, inside the class body.
#define ZK_FIELD_MEMBER_(Type, name, key, ...) Type name{};
#define ZK_FIELD_KEY_(Type, name, key, ...) inline static ::Tam::Core::zkMetaField* key = nullptr;
#define ZK_FIELD_COUNT_(Type, name, key, ...) +1
#define ZK_FIELDS(LIST)                                   \
    LIST(ZK_FIELD_MEMBER_)                                \
    LIST(ZK_FIELD_KEY_)                                   \
    static constexpr int kOwnFieldCount = 0 LIST(ZK_FIELD_COUNT_); \
                                                          \
private:                                                  \
    static void arkRegisterInitialize();                  \
                                                          \
public:

// Definitions, in the class's source file. INIT runs before every registration (the plug-in's
// library-initialised flag); DEPS is a null-terminated array of arkRegister functions, or nullptr.
#define ZK_DEFINE_CLASS_COMMON_(X, INITIALIZE, INIT, DEPS)                                                   \
    ::Tam::Core::zkMetaObject* X::_Meta = nullptr;                                                           \
    ::Tam::Core::__internalFunctionList* X::arkRegisterInternal()                                            \
    {                                                                                                        \
        INIT();                                                                                              \
        return ::Tam::Core::zkArkRegister(false, &_Meta, Super::arkRegisterInternal, Super::getClassMeta,    \
                                          X::getClassMetaSafe, #X, sizeof(X), X::retrieveVTablePointer,      \
                                          INITIALIZE, nullptr, DEPS, ::Tam::Core::zkConstructorOf<X>());     \
    }                                                                                                        \
    void X::arkRegister() { ::Tam::Core::zkArkRegister(X::arkRegisterInternal); }                            \
    ::Tam::Core::zkMetaObject* X::getClassTypeLazy() { return ::Tam::Core::zkGetClassTypeLazy<X>(); }        \
    ::Tam::Core::zkMetaObject* X::getClassTypeSafe() { return ::Tam::Core::zkGetClassTypeSafe<X>(); }        \
    void* X::retrieveVTablePointer()                                                                         \
    {                                                                                                        \
        if constexpr (std::is_abstract_v<X>) return nullptr;                                                 \
        else return ::Tam::Core::zkReadVTablePointer<X>();                                                   \
    }                                                                                                        \
    X* X::_instantiateFromPool(::Tam::Core::zkMemoryPool* pool)                                              \
    {                                                                                                        \
        arkRegister();                                                                                       \
        return static_cast<X*>(_Meta->createInstance(pool));                                                 \
    }

#define ZK_DEFINE_CLASS(X, INIT, DEPS) ZK_DEFINE_CLASS_COMMON_(X, nullptr, INIT, DEPS)

#define ZK_FIELD_FACTORY_(Type, name, key, ...) \
    factories[i++] = &::Tam::Core::zkFieldTraits<Type>::Field::_instantiateFromPool;
#define ZK_FIELD_NAME_(Type, name, key, ...) #name,
#define ZK_FIELD_KEYADDR_(Type, name, key, ...) &Self::key,
#define ZK_FIELD_POSITION_(Type, name, key, ...) offsetof(Self, name),
#define ZK_FIELD_SETUP_(Type, name, key, ...)                                                            \
    ::Tam::Core::zkFieldTraits<Type>::setup(                                                             \
        static_cast<::Tam::Core::zkFieldTraits<Type>::Field*>(_Meta->getIndexedMetaField(first + i++)) \
            __VA_OPT__(, ) __VA_ARGS__);

#define ZK_DEFINE_CLASS_WITH_FIELDS(X, LIST, INIT, DEPS)                                                  \
    ZK_DEFINE_CLASS_COMMON_(X, &X::arkRegisterInitialize, INIT, DEPS)                                     \
    void X::arkRegisterInitialize()                                                                       \
    {                                                                                                     \
        static ::Tam::Core::zkMetaFieldFactory factories[kOwnFieldCount];                                 \
        static bool filled = false;                                                                       \
        if (!filled) {                                                                                    \
            int i = 0;                                                                                    \
            LIST(ZK_FIELD_FACTORY_)                                                                       \
            filled = true;                                                                                \
        }                                                                                                 \
        static const char* const names[] = {LIST(ZK_FIELD_NAME_)};                                        \
        static ::Tam::Core::zkMetaField** const keys[] = {LIST(ZK_FIELD_KEYADDR_)};                       \
        static const std::size_t positions[] = {LIST(ZK_FIELD_POSITION_)};                                \
        const int first = _Meta->getMetaFieldCount();                                                     \
        _Meta->instantiateAndAppendFields(factories, kOwnFieldCount);                                     \
        int i = 0;                                                                                        \
        LIST(ZK_FIELD_SETUP_)                                                                             \
        _Meta->setMetaFieldBasicPropertiesAndValidateAll(names, keys, positions, first);                  \
    }
