// Writes the binary stream of each text form given, for the fuzzer's seed
// corpus: fuzz_seeds OUTDIR FILE.txt... writes OUTDIR/FILE.bin. The forms
// are only parsed, not loaded, so any class name may appear in them.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "common/exceptions_Brimwell.h"
#include "objects/BinaryForm.h"
#include "objects/TextForm.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: fuzz_seeds OUTDIR FILE.txt...\n";
    return 2;
  }
  std::filesystem::path outDir = argv[1];
  int failed = 0;
  for (int i = 2; i < argc; ++i) {
    std::filesystem::path in = argv[i];
    try {
      std::ifstream f(in, std::ios::binary);
      if (!f) throw brim::Exception("Cannot open the file %s", in.string());
      std::ostringstream s;
      s << f.rdbuf();
      std::string bytes = brim::WriteBinaryForm(brim::ParseTextForm(s.str()));
      std::filesystem::path out = outDir / in.filename().replace_extension(".bin");
      std::ofstream o(out, std::ios::binary | std::ios::trunc);
      o.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!o) throw brim::Exception("Cannot write the file %s", out.string());
    } catch (const std::exception& e) {
      std::cerr << "fuzz_seeds: " << in.string() << ": " << e.what() << "\n";
      ++failed;
    }
  }
  return failed ? 1 : 0;
}
