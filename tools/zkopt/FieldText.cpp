#include "tools/zkopt/FieldText.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace zkopt {

using namespace Tam::Core;

json floatJson(float v)
{
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return json(std::strtod(std::string(buffer, r.ptr).c_str(), nullptr));
}

static json enumJson(const zkEnumMetaField* f, int v) { return json(v); }

json fieldDefaultJson(const zkMetaField* field)
{
    switch (field->getKind()) {
    case zkFieldKind::Bool: return static_cast<const zkBoolMetaField*>(field)->getDefault();
    case zkFieldKind::Int: return static_cast<const zkIntMetaField*>(field)->getDefault();
    case zkFieldKind::UInt: return static_cast<const zkUnsignedIntMetaField*>(field)->getDefault();
    case zkFieldKind::Float: return floatJson(static_cast<const zkFloatMetaField*>(field)->getDefault());
    case zkFieldKind::Enum: {
        auto* f = static_cast<const zkEnumMetaField*>(field);
        return enumJson(f, f->getDefault());
    }
    case zkFieldKind::String: {
        const zkStringRef& s = static_cast<const zkStringMetaField*>(field)->getDefault();
        return s.isNull() ? json(nullptr) : json(s.c_str());
    }
    default: return nullptr;
    }
}

json fieldValueJson(const zkMetaField* field, const zkObject* o)
{
    switch (field->getKind()) {
    case zkFieldKind::Bool: return field->ref<bool>(o);
    case zkFieldKind::Int: return field->ref<int32_t>(o);
    case zkFieldKind::UInt: return field->ref<uint32_t>(o);
    case zkFieldKind::Float: return floatJson(field->ref<float>(o));
    case zkFieldKind::Enum: return enumJson(static_cast<const zkEnumMetaField*>(field), field->ref<int32_t>(o));
    case zkFieldKind::String: {
        const zkStringRef& s = field->ref<zkStringRef>(o);
        return s.isNull() ? json(nullptr) : json(s.c_str());
    }
    case zkFieldKind::Object: {
        zkObject* r = field->ref<zkSmartPointer<zkObject>>(o).get();
        if (!r) return nullptr;
        // Lists and strings that passes hold are shown by content; anything else by class.
        if (auto* s = zkStringObj::dynamicCast(r)) return s->str();
        if (auto* l = zkStringObjList::dynamicCast(r)) {
            json a = json::array();
            for (int i = 0; i < l->getCount(); ++i) a.push_back(l->getString(i)->str());
            return a;
        }
        if (auto* l = zkObjectList::dynamicCast(r)) return json{{"class", r->getMeta()->getName()}, {"count", l->getCount()}};
        if (auto* l = zkBoolList::dynamicCast(r)) return json(std::vector<bool>(l->values.begin(), l->values.end()));
        if (auto* l = zkIntList::dynamicCast(r)) return json(l->values);
        if (auto* l = zkFloatList::dynamicCast(r)) return json{{"class", "zkFloatList"}, {"count", l->getCount()}};
        return json{{"class", r->getMeta()->getName()}};
    }
    case zkFieldKind::Int64: return field->ref<int64_t>(o);
    case zkFieldKind::Text: return field->ref<std::string>(o);
    default: return nullptr;
    }
}

template <class T>
static bool parseInteger(const std::string& text, T& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first += 2;
        base = 16;
    }
    auto r = std::from_chars(first, last, value, base);
    return r.ec == std::errc() && r.ptr == last && first != last;
}

bool setFieldFromText(const zkMetaField* field, zkObject* o, const std::string& text, std::string& error)
{
    switch (field->getKind()) {
    case zkFieldKind::Bool:
        if (text == "true" || text == "1" || text == "yes" || text == "on") field->ref<bool>(o) = true;
        else if (text == "false" || text == "0" || text == "no" || text == "off") field->ref<bool>(o) = false;
        else return error = "expected true or false, got '" + text + "'", false;
        return true;
    case zkFieldKind::Int:
        if (!parseInteger(text, field->ref<int32_t>(o))) return error = "expected an integer, got '" + text + "'", false;
        return true;
    case zkFieldKind::UInt:
        if (!parseInteger(text, field->ref<uint32_t>(o)))
            return error = "expected an unsigned integer, got '" + text + "'", false;
        return true;
    case zkFieldKind::Float: {
        char* end = nullptr;
        errno = 0;
        float v = std::strtof(text.c_str(), &end);
        if (text.empty() || *end != '\0' || errno == ERANGE) return error = "expected a number, got '" + text + "'", false;
        field->ref<float>(o) = v;
        return true;
    }
    case zkFieldKind::Enum: {
        auto* f = static_cast<const zkEnumMetaField*>(field);
        int v = 0;
        if (parseInteger(text, v) || (f->getMetaEnum() && f->getMetaEnum()->getEnumValue(text.c_str(), v))) {
            field->ref<int32_t>(o) = v;
            return true;
        }
        error = "expected a number or one of";
        if (zkMetaEnum* e = f->getMetaEnum())
            for (const auto& entry : e->getEntries()) error += std::string(" ") + entry.name;
        error += ", got '" + text + "'";
        return false;
    }
    case zkFieldKind::String: field->ref<zkStringRef>(o).set(text.c_str()); return true;
    case zkFieldKind::Object: {
        zkObject* r = field->ref<zkSmartPointer<zkObject>>(o).get();
        if (auto* s = zkStringObj::dynamicCast(r)) {
            s->set(text);
            return true;
        }
        error = "an object field cannot be set from text";
        return false;
    }
    default: error = std::string("a field of kind ") + field->getKindName() + " cannot be set from text"; return false;
    }
}

} // namespace zkopt
