#include "host/core/zkObject.h"

#include "host/core/zkMeta.h"
#include "host/core/zkObjectWalk.h"

#include <cstdio>
#include <cstdlib>

namespace Tam::Core {

void* zkMemoryPool::allocate(std::size_t bytes)
{
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block) {
        std::fprintf(stderr, "zkhost: out of memory allocating %zu bytes in pool %s\n", bytes, m_name);
        std::abort();
    }
    ++m_liveBlocks;
    return block;
}

void zkMemoryPool::free(void* block)
{
    if (!block) return;
    --m_liveBlocks;
    std::free(block);
}

zkMemoryPool* zkGetMemoryPool(int id)
{
    static zkMemoryPool pools[] = {zkMemoryPool("default"), zkMemoryPool("metadata"), zkMemoryPool("scene")};
    if (id < 0 || id >= static_cast<int>(sizeof pools / sizeof pools[0])) id = zkMemoryPoolDefault;
    return &pools[id];
}

void* zkMemory::zkMalloc(std::size_t bytes) { return zkGetMemoryPool(zkMemoryPoolDefault)->allocate(bytes); }
void zkMemory::zkFree(void* block) { zkGetMemoryPool(zkMemoryPoolDefault)->free(block); }

void zkInstantiateRefDeprecated() {}

void zkObject::internalRelease()
{
    zkMemoryPool* pool = m_pool;
    userRelease();
    this->~zkObject();
    if (pool) pool->free(this);
    else ::operator delete(static_cast<void*>(this));
}

bool zkObject::isOfType(const zkMetaObject* meta) const
{
    const zkMetaObject* mine = getMeta();
    return meta && mine && mine->isOfType(meta);
}

bool zkObject::isOfExactType(const zkMetaObject* meta) const { return meta && getMeta() == meta; }

void zkObject::makeAbstract(zkMetaObject*) {}
void zkObject::makeConcrete(zkMetaObject*) {}

zkObject* zkObject::createCopy(CopyMethod method) const
{
    zkSmartPointer<zkObject> copy = zkCopyObject(this, method);
    return copy.detach();
}

// zkObject is the root of the class tree, so its record is written out by hand.
zkMetaObject* zkObject::_Meta = nullptr;
zkMetaObject* zkObject::getMeta() const { return _Meta; }
__internalFunctionList* zkObject::arkRegisterInternal()
{
    return zkArkRegister(false, &_Meta, nullptr, nullptr, &zkObject::getClassMetaSafe, "zkObject", sizeof(zkObject),
                         nullptr, nullptr, nullptr, nullptr, nullptr);
}
void zkObject::arkRegister() { zkArkRegister(&zkObject::arkRegisterInternal); }
zkMetaObject* zkObject::getClassTypeLazy()
{
    if (!_Meta) _Meta = zkMetaObject::_instantiateFromPool(zkGetMemoryPool(zkMemoryPoolMetaData));
    return _Meta;
}
zkMetaObject* zkObject::getClassTypeSafe()
{
    if (_Meta && _Meta->isRegistered()) return _Meta;
    arkRegister();
    return _Meta;
}

} // namespace Tam::Core
