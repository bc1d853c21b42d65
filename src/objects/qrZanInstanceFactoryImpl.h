// The object factory's implementation module.
#pragma once

#include "objects/qrObjectFactory.h"

namespace qrLib {

// A new factory with one reference, the built-in classes registered and its own resolver over the
// object-identifier map; null when it cannot be allocated. GetObjectFactory makes the process's
// one this way; tests make fresh ones.
IQrObjectFactory* CreateObjectFactory();

}  // namespace qrLib
