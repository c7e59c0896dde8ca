// Generic operations over objects, driven by their meta fields: copying and visiting what an
// object reaches.
#pragma once
#include "host/core/zkMeta.h"

#include <functional>

namespace Tam::Core {

// A shallow copy shares every referenced object; a deep copy also copies the objects that owned
// references and object arrays hold, keeping shared sub-objects shared in the copy.
zkSmartPointer<zkObject> zkCopyObject(const zkObject* source, zkObject::CopyMethod method);

// Calls visit for every object reachable from root through references and object arrays, root
// included, each once, depth first in field order. Only objects of class type (or subclasses)
// are handed over; a null type hands over all.
void zkVisitReachable(zkObject* root, const zkMetaObject* type, const std::function<void(zkObject*)>& visit);

// Whether two objects hold equal values in every field (references compared by identity).
bool zkFieldsEqual(const zkObject* a, const zkObject* b);

} // namespace Tam::Core
