// Which form of resources an executable carries, by its first bytes.
#include "platform/ResourceBinding.h"

#include "platform/AppendedResources.h"
#include "platform/PEResourceWriter.h"

namespace brim {

std::optional<std::string> BindExecutableResource(std::string_view executable,
                                                  const std::string& type, const std::string& name,
                                                  std::string_view data, std::string* error) {
  if (executable.starts_with("MZ"))
    return WithPEResource(executable, TResourceId::Named(type), TResourceId::Named(name), data,
                          error);
  if (executable.starts_with("\x7F"
                             "ELF"))
    return WithAppendedResources(executable, {{type, name, std::string(data)}}, error);
  if (error) *error = "not an executable (neither a PE nor an ELF file)";
  return std::nullopt;
}

}  // namespace brim
