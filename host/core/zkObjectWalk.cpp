#include "host/core/zkObjectWalk.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace Tam::Core {

namespace {

class DeepCopier {
public:
    zkSmartPointer<zkObject> copy(const zkObject* source)
    {
        if (!source) return nullptr;
        auto seen = m_copies.find(source);
        if (seen != m_copies.end()) return seen->second;
        zkMetaObject* meta = source->getMeta();
        zkSmartPointer<zkObject> copy = zkSmartPointer<zkObject>::adopt(meta->createInstance(source->getMemoryPool()));
        m_copies.emplace(source, copy);
        for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* field = meta->getIndexedMetaField(i);
            if (field->getKind() == zkFieldKind::Object &&
                static_cast<const zkObjectRefMetaField*>(field)->isOwned()) {
                const auto& from = field->ref<zkSmartPointer<zkObject>>(source);
                field->ref<zkSmartPointer<zkObject>>(copy.get()) = this->copy(from.get());
            } else if (field->getKind() == zkFieldKind::ObjectArray) {
                const auto& from = field->ref<zkRefArrayBase>(source).items;
                auto& to = field->ref<zkRefArrayBase>(copy.get()).items;
                to.clear();
                to.reserve(from.size());
                for (const auto& item : from) to.push_back(this->copy(item.get()));
            } else {
                field->copyValue(copy.get(), source);
            }
        }
        copy->userCopyDeep(source);
        return copy;
    }

private:
    std::unordered_map<const zkObject*, zkSmartPointer<zkObject>> m_copies;
};

} // namespace

zkSmartPointer<zkObject> zkCopyObject(const zkObject* source, zkObject::CopyMethod method)
{
    if (!source) return nullptr;
    if (method == zkObject::COPY_DEEP) return DeepCopier().copy(source);
    zkMetaObject* meta = source->getMeta();
    zkSmartPointer<zkObject> copy = zkSmartPointer<zkObject>::adopt(meta->createInstance(source->getMemoryPool()));
    for (int i = 0; i < meta->getMetaFieldCount(); ++i) meta->getIndexedMetaField(i)->copyValue(copy.get(), source);
    copy->userCopyShallow(source);
    return copy;
}

void zkVisitReachable(zkObject* root, const zkMetaObject* type, const std::function<void(zkObject*)>& visit)
{
    std::unordered_set<const zkObject*> seen;
    // An explicit stack keeps deep graphs from exhausting the call stack; children are pushed in
    // reverse so they come off in field order.
    std::vector<zkSmartPointer<zkObject>> stack;
    if (root) stack.emplace_back(root);
    while (!stack.empty()) {
        zkSmartPointer<zkObject> object = std::move(stack.back());
        stack.pop_back();
        if (!seen.insert(object.get()).second) continue;
        if (!type || object->isOfType(type)) visit(object.get());
        zkMetaObject* meta = object->getMeta();
        std::vector<zkObject*> children;
        for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* field = meta->getIndexedMetaField(i);
            if (field->getKind() == zkFieldKind::Object) {
                if (zkObject* o = field->ref<zkSmartPointer<zkObject>>(object.get()).get()) children.push_back(o);
            } else if (field->getKind() == zkFieldKind::ObjectArray) {
                for (const auto& item : field->ref<zkRefArrayBase>(object.get()).items)
                    if (item) children.push_back(item.get());
            }
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (!seen.count(*it)) stack.emplace_back(*it);
    }
}

bool zkFieldsEqual(const zkObject* a, const zkObject* b)
{
    if (a == b) return true;
    if (!a || !b || a->getMeta() != b->getMeta()) return false;
    zkMetaObject* meta = a->getMeta();
    for (int i = 0; i < meta->getMetaFieldCount(); ++i) {
        const zkMetaField* f = meta->getIndexedMetaField(i);
        bool same = true;
        switch (f->getKind()) {
        case zkFieldKind::Bool: same = f->ref<bool>(a) == f->ref<bool>(b); break;
        case zkFieldKind::Int:
        case zkFieldKind::Enum: same = f->ref<int32_t>(a) == f->ref<int32_t>(b); break;
        case zkFieldKind::UInt: same = f->ref<uint32_t>(a) == f->ref<uint32_t>(b); break;
        case zkFieldKind::Float: same = f->ref<float>(a) == f->ref<float>(b); break;
        case zkFieldKind::String: same = f->ref<zkStringRef>(a) == f->ref<zkStringRef>(b); break;
        case zkFieldKind::Object:
            same = f->ref<zkSmartPointer<zkObject>>(a).get() == f->ref<zkSmartPointer<zkObject>>(b).get();
            break;
        case zkFieldKind::Int64: same = f->ref<int64_t>(a) == f->ref<int64_t>(b); break;
        case zkFieldKind::Vec3: same = f->ref<Math::zkVec3f>(a) == f->ref<Math::zkVec3f>(b); break;
        case zkFieldKind::Matrix: same = f->ref<Math::zkMatrix44f>(a) == f->ref<Math::zkMatrix44f>(b); break;
        case zkFieldKind::Text: same = f->ref<std::string>(a) == f->ref<std::string>(b); break;
        case zkFieldKind::Data: same = f->ref<zkDataBlock>(a) == f->ref<zkDataBlock>(b); break;
        case zkFieldKind::IntArray: same = f->ref<zkIntArray>(a) == f->ref<zkIntArray>(b); break;
        case zkFieldKind::FloatArray: same = f->ref<zkFloatArray>(a) == f->ref<zkFloatArray>(b); break;
        case zkFieldKind::ObjectArray: {
            const auto& x = f->ref<zkRefArrayBase>(a).items;
            const auto& y = f->ref<zkRefArrayBase>(b).items;
            same = x.size() == y.size();
            for (std::size_t k = 0; same && k < x.size(); ++k) same = x[k].get() == y[k].get();
            break;
        }
        }
        if (!same) return false;
    }
    return true;
}

} // namespace Tam::Core
