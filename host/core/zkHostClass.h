// Host classes register like every other class; they have no library-initialised flag to set.
#pragma once
#include "host/core/zkClass.h"

#define ZK_DEFINE_HOST_CLASS(X) ZK_DEFINE_CLASS(X, ::Tam::Core::zkNoLibraryInit, nullptr)
#define ZK_DEFINE_HOST_CLASS_WITH_FIELDS(X) \
    ZK_DEFINE_CLASS_WITH_FIELDS(X, X##_FIELDS, ::Tam::Core::zkNoLibraryInit, nullptr)
