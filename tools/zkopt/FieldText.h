// Field values as text and JSON: what list and the report print, and how config values are read.
#pragma once
#include "host/zkhost.h"

#include <nlohmann/json.hpp>
#include <string>

namespace zkopt {

using json = nlohmann::ordered_json;

// A float as the shortest decimal that reads back to the same float (0.1f prints as 0.1).
json floatJson(float v);
// The default a new instance holds, as JSON.
json fieldDefaultJson(const Tam::Core::zkMetaField* field);
// The field's value in an instance, as JSON.
json fieldValueJson(const Tam::Core::zkMetaField* field, const Tam::Core::zkObject* object);
// Counters (_total...): fields a pass adds up while it runs, which the host reads back after the
// run. A config does not set them: a start value would only offset the count.
bool isCounterField(const Tam::Core::zkMetaField* field);

// Whether config text is a value the field takes: bools as true/false/1/0/yes/no/on/off; integers
// (decimal or 0x) that fit the field's 32 bits; finite floats; enum values by name or by a number
// the enumeration names; any text for strings. Answers false with the reason in error.
bool checkFieldText(const Tam::Core::zkMetaField* field, const std::string& text, std::string& error);
// Sets a field from config text, by the same rules.
bool setFieldFromText(const Tam::Core::zkMetaField* field, Tam::Core::zkObject* object, const std::string& text,
                      std::string& error);

} // namespace zkopt
