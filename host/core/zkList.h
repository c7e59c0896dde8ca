// Host lists. Each keeps its items in one registered field, so files, copies and visits handle
// them like any other object.
#pragma once
#include "host/core/zkClass.h"

#include <algorithm>
#include <functional>

namespace Tam::Core {

class zkStringObj : public zkObject {
    ZK_CLASS(zkStringObj, zkObject)
public:
#define zkStringObj_FIELDS(F) F(std::string, text, k_text)
    ZK_FIELDS(zkStringObj_FIELDS)

    const char* getBuffer() const { return text.c_str(); }
    const char* c_str() const { return text.c_str(); }
    const std::string& str() const { return text; }
    int getLength() const { return static_cast<int>(text.size()); }
    void set(const char* s) { text = s ? s : ""; }
    void set(const std::string& s) { text = s; }
    void toLower();
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Path edits: the final component, the extension after the last dot of that component.
    void removePathFromFileName();
    // Removes the extension when it is at most maxLength characters long (0: any length).
    void removeFileExtension(int maxLength = 0);
    // Keeps only the extension with its dot, so that it can be put back after an edited stem;
    // empty when there is none.
    void keepFileExtension();
    void appendFileExtension(const char* extension);
    void insertBefore(const char* s, int position, int length);
};

class zkObjectList : public zkObject {
    ZK_CLASS(zkObjectList, zkObject)
public:
#define zkObjectList_FIELDS(F) F(zkRefArray<zkObject>, items, k_items)
    ZK_FIELDS(zkObjectList_FIELDS)

    int getCount() const { return static_cast<int>(items.items.size()); }
    zkObject* get(int i) const { return items.items[i].get(); }
    zkObject* operator[](int i) const { return get(i); }
    void append(zkObject* o) { items.items.emplace_back(o); }
    // Appends unless the object is already in the list; answers whether it appended.
    bool appendUnique(zkObject* o);
    void insert(int i, zkObject* o) { items.items.emplace(items.items.begin() + i, o); }
    void set(int i, zkObject* o) { items.items[i] = o; }
    void remove(int i) { items.items.erase(items.items.begin() + i); }
    bool removeByValue(zkObject* o);
    int find(const zkObject* o) const;
    void setCount(int n) { items.items.resize(n < 0 ? 0 : n); }
    void clear() { items.items.clear(); }
    // Ordered by a comparison (negative: a before b); sortedFind answers the index or -1.
    void sortedAdd(zkObject* o, const std::function<int(const zkObject*, const zkObject*)>& compare);
    int sortedFind(const zkObject* o, const std::function<int(const zkObject*, const zkObject*)>& compare) const;
    // The class every item is of (subclasses included), or null for any: lists of one kind name
    // theirs, and the scene reader refuses an item of another class.
    virtual zkMetaObject* getItemClass() const { return nullptr; }
};

// A list of objects of one class, with typed access.
template <class T>
class zkTypedList {
public:
    static T* itemAt(const zkObjectList& list, int i) { return static_cast<T*>(list.get(i)); }
};

class zkStringObjList : public zkObjectList {
    ZK_CLASS(zkStringObjList, zkObjectList)
public:
    zkStringObj* getString(int i) const { return static_cast<zkStringObj*>(get(i)); }
    void appendString(const char* s);
    zkMetaObject* getItemClass() const override { return zkStringObj::getClassTypeSafe(); }
};

class zkIntList : public zkObject {
    ZK_CLASS(zkIntList, zkObject)
public:
#define zkIntList_FIELDS(F) F(zkIntArray, values, k_values)
    ZK_FIELDS(zkIntList_FIELDS)
    int getCount() const { return static_cast<int>(values.size()); }
    int32_t get(int i) const { return values[i]; }
    void append(int32_t v) { values.push_back(v); }
    void set(int i, int32_t v) { values[i] = v; }
    void setCount(int n) { values.resize(n < 0 ? 0 : n); }
};

// Booleans are stored one per int: files stay simple and the lists are small.
class zkBoolList : public zkObject {
    ZK_CLASS(zkBoolList, zkObject)
public:
#define zkBoolList_FIELDS(F) F(zkIntArray, values, k_values)
    ZK_FIELDS(zkBoolList_FIELDS)
    int getCount() const { return static_cast<int>(values.size()); }
    bool get(int i) const { return values[i] != 0; }
    void append(bool v) { values.push_back(v ? 1 : 0); }
    void set(int i, bool v) { values[i] = v ? 1 : 0; }
    void setCount(int n) { values.resize(n < 0 ? 0 : n); }
    // count copies of v before position i (0 to getCount()).
    void insert(int i, int count, bool v) { values.insert(values.begin() + i, count < 0 ? 0 : count, v ? 1 : 0); }
};

class zkFloatList : public zkObject {
    ZK_CLASS(zkFloatList, zkObject)
public:
#define zkFloatList_FIELDS(F) F(zkFloatArray, values, k_values)
    ZK_FIELDS(zkFloatList_FIELDS)
    int getCount() const { return static_cast<int>(values.size()); }
    float get(int i) const { return values[i]; }
    void append(float v) { values.push_back(v); }
    void set(int i, float v) { values[i] = v; }
    void setCount(int n) { values.resize(n < 0 ? 0 : n); }
    // The values in place, for bulk copies; null while the list is empty.
    float* getData() { return values.empty() ? nullptr : values.data(); }
    const float* getData() const { return values.empty() ? nullptr : values.data(); }
};

} // namespace Tam::Core
