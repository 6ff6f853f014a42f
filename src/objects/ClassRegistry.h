// The class registry: class name to metadata (and factory). Every class
// that a definition or a dialog form may name is registered before a
// stream is loaded.
#pragma once

#include <string>
#include <vector>

#include "objects/TypeInfo.h"

namespace brim {

void RegisterClass(const TClassInfo& info);
// The registered class of that name (case-insensitive), or null.
const TClassInfo* FindClass(const std::string& name);
std::vector<const TClassInfo*> RegisteredClasses();

}  // namespace brim
