// The root of the host object model: reference-counted objects that live in memory pools.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace Tam::Core {

class zkMetaObject;
class zkObject;

// A memory pool is a named allocation arena. Every object remembers its pool so that the parts it
// creates later (copies, child arrays) go to the same place. Pools count live blocks, which lets the
// tests prove that a run released everything it made.
class zkMemoryPool {
public:
    explicit zkMemoryPool(const char* name) : m_name(name) {}
    void* allocate(std::size_t bytes);
    void free(void* block);
    const char* getName() const { return m_name; }
    std::size_t getLiveBlocks() const { return m_liveBlocks; }

private:
    const char* m_name;
    std::size_t m_liveBlocks = 0;
};

enum zkMemoryPoolId : int { zkMemoryPoolDefault = 0, zkMemoryPoolMetaData = 1, zkMemoryPoolScene = 2 };
zkMemoryPool* zkGetMemoryPool(int id);

// Raw buffers for passes' working arrays.
namespace zkMemory {
void* zkMalloc(std::size_t bytes);
void zkFree(void* block);
}

struct __internalFunctionList;

// Reference counting lives in the low 23 bits of the count word; the upper bits are free for flags.
constexpr uint32_t zkRefCountMask = 0x7fffff;

class zkObject {
public:
    enum CopyMethod { COPY_SHALLOW = 0, COPY_DEEP = 1 };

    zkObject() = default;
    zkObject(const zkObject&) : m_countWord(1) {}
    zkObject& operator=(const zkObject&) = delete;
    virtual ~zkObject() = default;

    // The host's object operations, in slot order. The defaults do nothing: the object model does
    // field-driven work generically, so few classes need to hook in.
    virtual void __bootstrapDestruct() {}
    virtual void userAllocateFields(bool) {}
    virtual void userDeallocateFields() {}
    virtual void userCopyDeep(const zkObject*) {}
    virtual void userCopyShallow(const zkObject*) {}
    virtual bool userIsAlikeDeep(const zkObject*) const { return true; }
    virtual bool userIsAlikeShallow(const zkObject*) const { return true; }
    virtual void userInstantiate(bool) {}
    virtual void userRelease() {}
    virtual void userConstruct() {}
    virtual void userDestruct() {}
    virtual void userResetFields(bool) {}
    virtual void preWrite() {}
    virtual void preFileWrite() {}
    virtual void postRead() {}
    virtual void postFileRead() {}
    virtual void clean() {}
    virtual void makeAbstract(zkMetaObject* meta);
    virtual void makeConcrete(zkMetaObject* meta);
    virtual zkObject* createCopy(CopyMethod method) const;
    virtual zkMetaObject* getMeta() const;
    // Whether the object's values agree with each other (an index within its vertex array, a data
    // block of the size its format and count give). Scene readers refuse an object that answers
    // false, naming the field and the problem.
    virtual bool isConsistent(std::string& /*field*/, std::string& /*problem*/) const { return true; }

    // Reference counting.
    uint32_t getRefCount() const { return m_countWord & zkRefCountMask; }
    uint32_t getCountWord() const { return m_countWord; }
    void addRef() { m_countWord = (m_countWord & ~zkRefCountMask) | ((m_countWord + 1) & zkRefCountMask); }
    void release()
    {
        m_countWord = (m_countWord & ~zkRefCountMask) | ((m_countWord - 1) & zkRefCountMask);
        if ((m_countWord & zkRefCountMask) == 0) internalRelease();
    }
    void internalRelease();

    zkMemoryPool* getMemoryPool() const { return m_pool; }
    bool isOfType(const zkMetaObject* meta) const;
    bool isOfExactType(const zkMetaObject* meta) const;

    // The host's own class record, like every registered class's.
    static zkMetaObject* _Meta;
    static __internalFunctionList* arkRegisterInternal();
    static void arkRegister();
    static zkMetaObject* getClassMeta() { return _Meta; }
    static zkMetaObject* getClassType() { return _Meta; }
    static zkMetaObject* getClassTypeSafe();
    static zkMetaObject* getClassTypeLazy();
    static zkMetaObject* getClassMetaSafe() { return getClassTypeSafe(); }

private:
    friend class zkMetaObject;
    uint32_t m_countWord = 1;
    zkMemoryPool* m_pool = nullptr;
};

// Holds one reference.
template <class T>
class zkSmartPointer {
public:
    zkSmartPointer() = default;
    zkSmartPointer(std::nullptr_t) {}
    zkSmartPointer(T* p) : m_p(p) { if (m_p) m_p->addRef(); }
    zkSmartPointer(const zkSmartPointer& o) : m_p(o.m_p) { if (m_p) m_p->addRef(); }
    zkSmartPointer(zkSmartPointer&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    template <class U>
    zkSmartPointer(const zkSmartPointer<U>& o) : m_p(o.get()) { if (m_p) m_p->addRef(); }
    ~zkSmartPointer() { if (m_p) m_p->release(); }

    zkSmartPointer& operator=(const zkSmartPointer& o) { reset(o.m_p); return *this; }
    zkSmartPointer& operator=(zkSmartPointer&& o) noexcept
    {
        if (this != &o) { T* old = m_p; m_p = o.m_p; o.m_p = nullptr; if (old) old->release(); }
        return *this;
    }
    template <class U>
    zkSmartPointer& operator=(const zkSmartPointer<U>& o) { reset(o.get()); return *this; }
    zkSmartPointer& operator=(T* p) { reset(p); return *this; }
    zkSmartPointer& operator=(std::nullptr_t) { reset(nullptr); return *this; }

    void reset(T* p)
    {
        if (p) p->addRef();
        T* old = m_p;
        m_p = p;
        if (old) old->release();
    }
    // Takes over the creation reference of a new object without adding one.
    static zkSmartPointer adopt(T* p) { zkSmartPointer s; s.m_p = p; return s; }
    T* detach() { T* p = m_p; m_p = nullptr; return p; }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    operator T*() const { return m_p; }

private:
    T* m_p = nullptr;
};

// Instantiation wrappers: the host turns one into a new instance held by a smart pointer.
template <class T>
struct zkTypeWrapper {
    zkSmartPointer<T> create() const { return zkSmartPointer<T>::adopt(T::_instantiateFromPool(nullptr)); }
};
template <class T>
struct zkTypeWrapperWithMemoryPool {
    zkMemoryPool* pool = nullptr;
    zkSmartPointer<T> create() const { return zkSmartPointer<T>::adopt(T::_instantiateFromPool(pool)); }
};
void zkInstantiateRefDeprecated();

// A new instance of T held by a smart pointer (the common way host code creates objects).
template <class T>
zkSmartPointer<T> zkCreate(zkMemoryPool* pool = nullptr)
{
    return zkSmartPointer<T>::adopt(T::_instantiateFromPool(pool));
}

} // namespace Tam::Core
