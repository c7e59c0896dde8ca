// Moving a node between its holders. A node's holders are groups, and the scene info whose root
// it is; the scene passes that re-share nodes treat both alike.
#pragma once
#include "frame/OptClass.h"

namespace Tam::OptExtension {

// Takes the node out of the holder (the first slot that holds it), which unlinks the holder on
// the node's side. False when the holder does not hold the node as a group or a scene info.
bool detachChild(zkObject* holder, zkNode* node);
// Puts the node under the holder: appended to a group, or made a scene info's root.
void attachChild(zkObject* holder, zkNode* node);

} // namespace Tam::OptExtension
