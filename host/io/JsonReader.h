// A JSON reader for large scene files. nlohmann's reader spends most of its time on numbers (a
// character at a time, then strtod); a 1M-triangle text scene is mostly numbers. This one reads
// the same language, strictly (RFC 8259, a UTF-8 byte-order mark allowed in front, nothing after
// the value) and hands the same events to the same handler in the same order, so the two can be
// swapped; where the text is not JSON it says so without saying why, and the caller asks
// nlohmann's reader for the words.
#pragma once
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string_view>

namespace Tam::Io::detail {

using Json = nlohmann::ordered_json;

enum class JsonRead {
    Whole,   // the document was read to its end
    Stopped, // the handler answered false
    NotJson, // the text is not JSON (nothing is said to the handler about it)
};

// Reads text, calling handler's methods as nlohmann's sax_parse does, except that start_array
// is given the element count of an array of plain values (numbers, true, false, null), counted
// before its first element is read, so that a handler can reserve; -1 for any other array. The
// count reads ahead to the first ']', once per array: a handler that allows arrays nested
// without bound should refuse them at some depth (the scene reader stops at 16).
JsonRead readJson(std::string_view text, nlohmann::json_sax<Json>& handler);

} // namespace Tam::Io::detail
