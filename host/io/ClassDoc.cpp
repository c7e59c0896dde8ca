#include "host/io/ClassDoc.h"

#include "host/io/SceneGraph.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace Tam::Io {

using namespace Tam::Core;

namespace {

std::string className(const zkMetaObject* meta) { return meta ? meta->getName() : "any class"; }

std::string kindOf(const zkMetaField* f)
{
    switch (f->getKind()) {
    case zkFieldKind::Enum: {
        const zkMetaEnum* e = static_cast<const zkEnumMetaField*>(f)->getMetaEnum();
        return e ? std::string("enum ") + e->getName() : "enum";
    }
    case zkFieldKind::Object: {
        auto* r = static_cast<const zkObjectRefMetaField*>(f);
        return "object: " + className(r->getReferencedMeta()) +
               (r->isConstructedWithHolder() ? ", owned, made with the holder" : r->isOwned() ? ", owned" : ", shared");
    }
    case zkFieldKind::ObjectArray:
        return "object array: " + className(static_cast<const zkObjectArrayMetaField*>(f)->getElementMeta());
    default: return f->getKindName();
    }
}

std::string defaultOf(const zkMetaField* f)
{
    switch (f->getKind()) {
    case zkFieldKind::Bool: {
        auto* t = static_cast<const zkBoolMetaField*>(f);
        return t->hasDefault() ? (t->getDefault() ? "true" : "false") : "";
    }
    case zkFieldKind::Int: {
        auto* t = static_cast<const zkIntMetaField*>(f);
        return t->hasDefault() ? std::to_string(t->getDefault()) : "";
    }
    case zkFieldKind::UInt: {
        auto* t = static_cast<const zkUnsignedIntMetaField*>(f);
        return t->hasDefault() ? std::to_string(t->getDefault()) : "";
    }
    case zkFieldKind::Float: {
        auto* t = static_cast<const zkFloatMetaField*>(f);
        return t->hasDefault() ? detail::floatText(t->getDefault()) : "";
    }
    case zkFieldKind::Enum: {
        auto* t = static_cast<const zkEnumMetaField*>(f);
        if (!t->hasDefault()) return "";
        const zkMetaEnum* e = t->getMetaEnum();
        const char* name = e ? e->getEnumName(t->getDefault()) : nullptr;
        return name ? name : std::to_string(t->getDefault());
    }
    case zkFieldKind::String: {
        auto* t = static_cast<const zkStringMetaField*>(f);
        if (!t->hasDefault()) return "";
        return t->getDefault().isNull() ? "null" : "\"" + std::string(t->getDefault().c_str()) + "\"";
    }
    case zkFieldKind::Int64: {
        auto* t = static_cast<const zkInt64MetaField*>(f);
        return t->hasDefault() ? std::to_string(t->getDefault()) : "";
    }
    case zkFieldKind::Text: {
        auto* t = static_cast<const zkTextMetaField*>(f);
        return t->hasDefault() ? "\"" + t->getDefault() + "\"" : "";
    }
    default: return "";
    }
}

// Markdown tables break on a bar.
std::string cell(std::string s)
{
    std::string out;
    for (char c : s) out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

} // namespace

std::string zkDescribeClasses(const std::function<bool(const zkMetaObject*)>& include)
{
    const zkMetaObject* passes = zkFindClass("zkOptBase");
    std::vector<const zkMetaObject*> classes;
    for (const zkMetaObject* meta : zkRegisteredClasses()) {
        bool wanted = include ? include(meta) : !(passes && meta->isOfType(passes));
        if (wanted) classes.push_back(meta);
    }
    std::sort(classes.begin(), classes.end(),
              [](const zkMetaObject* a, const zkMetaObject* b) { return std::strcmp(a->getName(), b->getName()) < 0; });

    std::string out;
    std::map<std::string, const zkMetaEnum*> enums;
    for (const zkMetaObject* meta : classes) {
        out += "### " + std::string(meta->getName()) + "\n\n";
        const zkMetaObject* base = meta->getBase();
        std::string about = base ? "Base: " + std::string(base->getName()) + "." : "The root class.";
        if (!meta->isInstantiable()) about += " Abstract: never in a file itself.";
        int first = meta->getOwnFieldStart();
        if (first == meta->getMetaFieldCount()) {
            out += about + " No fields of its own.\n\n";
            continue;
        }
        out += about + (first > 0 ? " Fields after those of " + std::string(base->getName()) + ":" : " Fields:") +
               "\n\n| field | kind | default |\n| --- | --- | --- |\n";
        for (int i = first; i < meta->getMetaFieldCount(); ++i) {
            const zkMetaField* f = meta->getIndexedMetaField(i);
            std::string d = defaultOf(f);
            out += "| `" + std::string(f->getName()) + "` | " + cell(kindOf(f)) + " | " +
                   (d.empty() ? std::string() : "`" + cell(d) + "`") + " |\n";
            if (f->getKind() == zkFieldKind::Enum)
                if (const zkMetaEnum* e = static_cast<const zkEnumMetaField*>(f)->getMetaEnum())
                    enums.emplace(e->getName(), e);
        }
        out += "\n";
    }
    if (!enums.empty()) {
        out += "### Enumerations\n\nThe text form writes an enum field by name when its value has one.\n\n";
        for (const auto& [name, e] : enums) {
            out += "- `" + name + "`:";
            bool first = true;
            for (const zkMetaEnum::Entry& entry : e->getEntries()) {
                out += first ? " " : ", ";
                first = false;
                out += "`" + std::string(entry.name) + "` = " + std::to_string(entry.value);
            }
            out += "\n";
        }
        out += "\n";
    }
    return out;
}

} // namespace Tam::Io
