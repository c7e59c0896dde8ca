// The class reference of docs/scene-format.md, generated from the registered meta fields so that
// the document says what the reader accepts.
#pragma once
#include "host/core/zkMeta.h"

#include <functional>
#include <string>

namespace Tam::Io {

// Markdown: every registered class that include accepts (by default every class except the passes,
// the subclasses of zkOptBase, which never appear in scene files), by name, each with its base
// and its own fields in file order (kind, referenced class or enum, default), then the enums those
// fields use with their names and values.
std::string zkDescribeClasses(const std::function<bool(const Core::zkMetaObject*)>& include = {});

} // namespace Tam::Io
