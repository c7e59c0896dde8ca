// Texts that passes of several families print, written once: how a message names a geometry
// node and its attributes, and the notices every geometry traversal shares.
#pragma once
#include "host/opt/zkOpt.h"
#include "host/sg/zkNode.h"

#include <cstdint>
#include <string>

namespace Tam::OptExtension {

// The low 32 bits of an object's address: what messages print with "0x%08x" to tell apart
// nodes of the same name.
inline unsigned addressWord(const void* object)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(object));
}

// "Geometry 0x%08x \"%s\", attr%d": how a message names one attribute of a geometry node.
std::string geometryAttrName(const Sg::zkNode* geometry, int attr);

// A dispatched node that is no geometry: noticed once per traversal, through the pass's
// _notifyOfError latch.
inline void printNullGeometryNotice(Opt::zkOptBase& pass, bool& notifyOfError)
{
    if (notifyOfError) pass.printf("NULL geometry passed to ::dispatch\n");
    notifyOfError = false;
}

// An attribute that cannot be welded or stripped because it is not an indexed triangle list.
inline void printAlreadyStripped(Opt::zkOptBase& pass, const Sg::zkNode* geometry, int attr)
{
    pass.printf("WARNING!! ALREADY STRIPPED %s\n", geometryAttrName(geometry, attr).c_str());
}

} // namespace Tam::OptExtension
