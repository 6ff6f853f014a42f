// Binding a resource into a built executable of either platform, as bytes:
// a Windows program (PE) gets it in its resource section, where
// FindResource finds it; a posix program (ELF) in the block appended
// behind its image, where the posix module service reads it. brimdef's
// "bind" puts an install definition into a runtime this way, on any host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brim {

// The executable's bytes with the resource of type ("#10" is RT_RCDATA)
// and name set to data, every other resource kept. Empty, with *error
// saying why, when the bytes are no executable of a known kind or cannot
// take the resource.
std::optional<std::string> BindExecutableResource(std::string_view executable,
                                                  const std::string& type,
                                                  const std::string& name,
                                                  std::string_view data, std::string* error);

}  // namespace brim
