// append_resource: a build tool of the posix build. It binds a file into a
// posix executable as one of its resources (appended behind the ELF image,
// see src/platform/posix/ExecutableResources.h), as a resource compiler
// does for a Windows program:
//   append_resource EXECUTABLE TYPE NAME FILE      (TYPE "#10" is RT_RCDATA)
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/posix/ExecutableResources.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: append_resource EXECUTABLE TYPE NAME FILE\n";
    return 2;
  }
  std::ifstream in(argv[4], std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  if (!in) {
    std::cerr << "append_resource: cannot read " << argv[4] << "\n";
    return 1;
  }
  std::string error;
  if (!brim::WriteExecutableResources(argv[1], {{argv[2], argv[3], data.str()}}, &error)) {
    std::cerr << "append_resource: " << argv[1] << ": " << error << "\n";
    return 1;
  }
  return 0;
}
