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
// Sets a field from config text. Answers false with the reason in error (a bad number, an unknown
// enum name, or a field kind that config cannot set).
bool setFieldFromText(const Tam::Core::zkMetaField* field, Tam::Core::zkObject* object, const std::string& text,
                      std::string& error);

} // namespace zkopt
