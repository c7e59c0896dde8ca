#include "tools/zkopt/FieldText.h"

#include <cctype>
#include <cerrno>
#include <cmath>
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

json fieldDefaultJson(const zkMetaField* field)
{
    switch (field->getKind()) {
    case zkFieldKind::Bool: return static_cast<const zkBoolMetaField*>(field)->getDefault();
    case zkFieldKind::Int: return static_cast<const zkIntMetaField*>(field)->getDefault();
    case zkFieldKind::UInt: return static_cast<const zkUnsignedIntMetaField*>(field)->getDefault();
    case zkFieldKind::Float: return floatJson(static_cast<const zkFloatMetaField*>(field)->getDefault());
    case zkFieldKind::Enum: {
        auto* f = static_cast<const zkEnumMetaField*>(field);
        return f->getDefault();
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
    case zkFieldKind::Enum: return field->ref<int32_t>(o);
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

bool isCounterField(const zkMetaField* field) { return std::string(field->getName()).rfind("_total", 0) == 0; }

enum class IntegerText { Number, NotANumber, OutOfRange };

// A whole decimal or 0x-hexadecimal integer, read wide so that the field's range can be checked.
static IntegerText parseInteger(const std::string& text, int64_t& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first += 2;
        base = 16;
    }
    auto r = std::from_chars(first, last, value, base);
    if (first == last || r.ptr != last) return IntegerText::NotANumber;
    return r.ec == std::errc() ? IntegerText::Number : IntegerText::OutOfRange;
}

// Reads an integer for a field of the range [low, high].
static bool readInteger(const std::string& text, int64_t low, int64_t high, const char* kind, int64_t& value,
                        std::string& error)
{
    IntegerText r = parseInteger(text, value);
    if (r == IntegerText::NotANumber) return error = std::string("expected ") + kind + ", got '" + text + "'", false;
    if (r == IntegerText::OutOfRange || value < low || value > high)
        return error = "'" + text + "' does not fit the field (" + std::to_string(low) + " to " + std::to_string(high) +
                       ")",
               false;
    return true;
}

static bool isStringObjField(const zkMetaField* field)
{
    if (field->getKind() != zkFieldKind::Object) return false;
    const zkMetaObject* held = static_cast<const zkObjectRefMetaField*>(field)->getReferencedMeta();
    return held && held->isOfType(zkStringObj::getClassTypeSafe());
}

namespace {
// A config value read for its field, before anything is stored.
struct FieldValue {
    int64_t integer = 0;
    float real = 0;
};
} // namespace

// Reads text by the rules of the field's kind and range. The one place that decides what config
// text a field accepts, for the check before a run and for setting the field alike.
static bool readFieldText(const zkMetaField* field, const std::string& text, FieldValue& value, std::string& error)
{
    switch (field->getKind()) {
    case zkFieldKind::Bool:
        if (text == "true" || text == "1" || text == "yes" || text == "on") value.integer = 1;
        else if (text == "false" || text == "0" || text == "no" || text == "off") value.integer = 0;
        else return error = "expected true or false, got '" + text + "'", false;
        return true;
    case zkFieldKind::Int:
        return readInteger(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                           "an integer", value.integer, error);
    case zkFieldKind::UInt:
        return readInteger(text, 0, std::numeric_limits<uint32_t>::max(), "an unsigned integer", value.integer, error);
    case zkFieldKind::Float: {
        char* end = nullptr;
        errno = 0;
        value.real = std::strtof(text.c_str(), &end);
        if (text.empty() || *end != '\0' || std::isspace(static_cast<unsigned char>(text[0])))
            return error = "expected a number, got '" + text + "'", false;
        if (std::isnan(value.real) || (std::isinf(value.real) && errno != ERANGE))
            return error = "expected a finite number, got '" + text + "'", false;
        if (errno == ERANGE && std::isinf(value.real))
            return error = "'" + text + "' does not fit a float (largest 3.4028235e+38)", false;
        return true;
    }
    case zkFieldKind::Enum: {
        const zkMetaEnum* e = static_cast<const zkEnumMetaField*>(field)->getMetaEnum();
        int named = 0;
        if (e && e->getEnumValue(text.c_str(), named)) {
            value.integer = named;
            return true;
        }
        // A number is accepted only where the enumeration names it.
        if (parseInteger(text, value.integer) == IntegerText::Number &&
            value.integer >= std::numeric_limits<int32_t>::min() && value.integer <= std::numeric_limits<int32_t>::max() &&
            (!e || e->getEnumName(static_cast<int>(value.integer))))
            return true;
        error = "expected one of";
        if (e)
            for (const auto& entry : e->getEntries()) error += std::string(" ") + entry.name + "=" + std::to_string(entry.value);
        error += ", got '" + text + "'";
        return false;
    }
    case zkFieldKind::String: return true;
    default:
        if (isStringObjField(field)) return true;
        error = std::string("a field of kind ") + field->getKindName() + " cannot be set from text";
        return false;
    }
}

bool checkFieldText(const zkMetaField* field, const std::string& text, std::string& error)
{
    FieldValue value;
    return readFieldText(field, text, value, error);
}

bool setFieldFromText(const zkMetaField* field, zkObject* o, const std::string& text, std::string& error)
{
    FieldValue value;
    if (!readFieldText(field, text, value, error)) return false;
    switch (field->getKind()) {
    case zkFieldKind::Bool: field->ref<bool>(o) = value.integer != 0; return true;
    case zkFieldKind::Int:
    case zkFieldKind::Enum: field->ref<int32_t>(o) = static_cast<int32_t>(value.integer); return true;
    case zkFieldKind::UInt: field->ref<uint32_t>(o) = static_cast<uint32_t>(value.integer); return true;
    case zkFieldKind::Float: field->ref<float>(o) = value.real; return true;
    case zkFieldKind::String: field->ref<zkStringRef>(o).set(text.c_str()); return true;
    default:
        if (auto* s = zkStringObj::dynamicCast(field->ref<zkSmartPointer<zkObject>>(o).get())) {
            s->set(text);
            return true;
        }
        error = "the pass holds no string object in this field";
        return false;
    }
}

} // namespace zkopt
