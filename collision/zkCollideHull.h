// The collision hull record: the triangle and node arrays of the collision tree as plain 32-bit
// words (flag and material words stored as bit patterns in float slots), kept in the file's info
// list and saved with the scene.
#pragma once
#include "frame/OptClass.h"

namespace Vesko::TolvanSharedODL {

using namespace Tam::Core;

class zkCollideHull : public Tam::Sg::zkInfo {
    ZK_CLASS(zkCollideHull, Tam::Sg::zkInfo)
public:
#define zkCollideHull_FIELDS(F)                              \
    F(zkSmartPointer<zkFloatList>, _mTriangles, k_mTriangles) \
    F(zkSmartPointer<zkFloatList>, _mNodes, k_mNodes)         \
    F(int32_t, _mNumTriangles, k_mNumTriangles)               \
    F(int32_t, _mNumNodes, k_mNumNodes)
    ZK_FIELDS(zkCollideHull_FIELDS)
};

} // namespace Vesko::TolvanSharedODL
