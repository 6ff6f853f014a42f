#include "objects/ClassRegistry.h"

#include <map>

#include "common/routines_Strings.h"

namespace brim {

namespace {
std::map<std::string, const TClassInfo*>& Registry() {
  static std::map<std::string, const TClassInfo*> registry;
  return registry;
}
}  // namespace

void RegisterClass(const TClassInfo& info) { Registry()[UpperCase(info.ClassName)] = &info; }

const TClassInfo* FindClass(const std::string& name) {
  auto it = Registry().find(UpperCase(name));
  return it == Registry().end() ? nullptr : it->second;
}

std::vector<const TClassInfo*> RegisteredClasses() {
  std::vector<const TClassInfo*> v;
  for (const auto& [k, info] : Registry()) v.push_back(info);
  return v;
}

}  // namespace brim
