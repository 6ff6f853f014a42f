#include "platform/LinkedResources.h"

#include <vector>

#include "common/routines_Strings.h"

namespace brim {

namespace {
struct TEntry {
  TLinkedResourceKind Kind;
  std::string_view Name, Bytes;
};
// Filled by static initialisers of the generated table: a function-local
// list is made before the first of them uses it.
std::vector<TEntry>& Table() {
  static std::vector<TEntry> table;
  return table;
}
}  // namespace

void AddLinkedResource(TLinkedResourceKind kind, std::string_view name, std::string_view bytes) {
  Table().push_back({kind, name, bytes});
}

std::optional<std::string> LinkedResource(TLinkedResourceKind kind, const std::string& name) {
  for (const TEntry& e : Table())
    if (e.Kind == kind && SameText(std::string(e.Name), name)) return std::string(e.Bytes);
  return std::nullopt;
}

}  // namespace brim
