// Scene files: a zkFileInfo and everything it reaches, saved and loaded by one field-driven
// implementation in two forms, chosen by extension:
//   .zks       binary: little-endian, length-prefixed, raw blocks stored as they lie in memory;
//   .zks.json  text: one JSON document, for fixtures, diffs and inspection.
// Neither form has code for any particular class: every object is written as its class name and
// its meta fields by name, so a class registered later (a user's own info class) is saved and
// loaded with no code of its own. docs/scene-format.md describes both forms.
//
// Every error message names the file and, where there is one, the object (its id and class) and
// the field:  "scene.zks: object 4 (zkGroup), field children[1]: refers to object 9, which is not
// in the file". No function here throws.
#pragma once
#include "host/sg/zkNode.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace Tam::Io {

using Core::zkSmartPointer;
using Sg::zkFileInfo;

enum class zkSceneForm { Binary, Text };

// The form a path names: ".zks" binary, ".zks.json" text (either case). False for any other name.
bool zkSceneFormOf(const std::string& path, zkSceneForm& form);

// Writes the file object and everything it reaches. The scene is checked first (zkCheckScene), so
// nothing is written that the reader would refuse; the bytes go to a temporary file beside the
// target, which replaces the target only once complete. On failure the target is untouched and
// error says why.
bool zkWriteScene(const zkFileInfo* file, const std::string& path, std::string& error);

// Reads a scene file. Refuses (null, with the reason in error) a truncated or malformed file, a
// wrong magic or version, an unknown class or field, a field of the wrong kind, a dangling
// reference or one to an object of the wrong class for its field, a null where the class always
// holds an object, duplicate ids, a reference cycle, an object the file object does not reach, a
// file object that is not a zkFileInfo, and an object whose isConsistent answers false. Objects
// get postRead() once all references are set, holders after the objects they hold.
zkSmartPointer<zkFileInfo> zkReadScene(const std::string& path, std::string& error);
// The same, importing other formats as options say (the folders an import may read, containment).
struct zkImportOptions;
zkSmartPointer<zkFileInfo> zkReadScene(const std::string& path, std::string& error, const zkImportOptions& import);

// The same, in memory. name stands for the file in messages.
bool zkEncodeScene(const zkFileInfo* file, zkSceneForm form, std::string& bytes, std::string& error);
zkSmartPointer<zkFileInfo> zkDecodeScene(std::string_view bytes, zkSceneForm form, const std::string& name,
                                         std::string& error);
// The binary form written straight into memory that buffer hands out for the size it is given
// (a shared mapping, say), sparing a copy of a large scene. buffer answers null when it cannot,
// with the reason in error.
bool zkEncodeSceneInto(const zkFileInfo* file, const std::function<char*(std::size_t size)>& buffer,
                       std::string& error);

// The reader's checks on a scene in memory (for a driver that verifies the scene between passes):
// references of the right class, no null where the class always holds an object, no cycle, no
// nesting deeper than zkMaxSceneDepth, every object consistent. Objects are named by the ids a
// write would give them. Answers false with the first problem in error.
bool zkCheckScene(const zkFileInfo* file, std::string& error);

// References may nest this deep at most. Releasing or copying a graph recurses once per level, so
// the limit keeps a hostile file from exhausting the stack; real scenes stay far below it.
constexpr int zkMaxSceneDepth = 1000;

// Writes bytes to path through a temporary file in the same directory, renamed over path only when
// every byte is written: readers see the old file or the new one, never a part. For reports and
// images as much as for scenes.
bool zkAtomicWrite(const std::string& path, std::string_view bytes, std::string& error);
bool zkAtomicWrite(const std::string& path, const void* data, std::size_t size, std::string& error);

// The whole file at path in bytes; false with "PATH: REASON" in error.
bool zkReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace Tam::Io
