// libFuzzer target for the form streams. Each input is taken as a stream
// (binary when it starts with "TPF0", text otherwise). What parses must
// print as text and re-parse to the same text, write as binary and read
// back to the same text, and load into live components in the designing
// state; what loads must save, print and re-parse. Parse and load errors
// are the expected answer to bad input; anything else (a crash, a leak,
// undefined behaviour, a hang, a broken round trip) is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/exceptions_Brimwell.h"
#include "engine/InstallDefinition.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/SampleClasses.h"
#include "objects/TextForm.h"

namespace {

using namespace brim;

// BRIMWELL_FUZZ_VERBOSE=1 tells where each input stopped, to check that
// the seeds get as far as loading.
bool Verbose() {
  static const bool verbose = std::getenv("BRIMWELL_FUZZ_VERBOSE") != nullptr;
  return verbose;
}

void Note(const char* stage, const std::exception& e) {
  if (Verbose()) std::fprintf(stderr, "%s: %s\n", stage, e.what());
}

[[noreturn]] void Broken(const char* what, const std::string& a, const std::string& b) {
  std::fprintf(stderr, "round trip broken: %s\n--- first\n%.2000s\n--- second\n%.2000s\n", what,
               a.c_str(), b.c_str());
  std::abort();
}

// Text printed from a record must parse again and print the same.
void CheckTextRoundTrip(const std::string& text) {
  TObjectRecord again;
  try {
    again = ParseTextForm(text);
  } catch (const Exception& e) {
    Broken(e.what(), text, "");
  }
  std::string text2 = PrintTextForm(again);
  if (text2 != text) Broken("print(parse(print(r))) != print(r)", text, text2);
}

// A record that the binary writer accepts must read back to the same text.
void CheckBinaryRoundTrip(const TObjectRecord& record, const std::string& text, bool mustWrite) {
  std::string bytes;
  try {
    bytes = WriteBinaryForm(record);
  } catch (const EStreamError& e) {
    // Text may hold what the binary form cannot (names over 255 bytes);
    // a record read from a binary stream always fits.
    if (mustWrite) Broken(e.what(), text, "");
    return;
  }
  TObjectRecord back;
  try {
    back = ReadBinaryForm(bytes);
  } catch (const Exception& e) {
    Broken(e.what(), text, "");
  }
  std::string text2 = PrintTextForm(back);
  if (text2 != text) Broken("print(read(write(r))) != print(r)", text, text2);
}

void CheckRecord(const TObjectRecord& record, bool fromBinary) {
  std::string text = PrintTextForm(record);
  CheckTextRoundTrip(text);
  CheckBinaryRoundTrip(record, text, fromBinary);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterStreamClasses();
  test::RegisterSampleClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const bool binary = input.size() >= 4 && input.compare(0, 4, FormSignature) == 0;
  TObjectRecord record;
  try {
    record = ParseForm(input);
  } catch (const Exception& e) {
    Note("parse", e);
    return 0;
  }
  CheckRecord(record, binary);

  std::unique_ptr<TComponent> root;
  try {
    root.reset(CreateForm(record, TLoadOptions{true}));
  } catch (const Exception& e) {
    Note("load", e);
    return 0;
  }
  TObjectRecord saved;
  try {
    saved = SaveForm(*root);
  } catch (const EStreamError& e) {
    // A reference to a component without a name cannot be written.
    Note("save", e);
    return 0;
  }
  CheckRecord(saved, false);
  if (Verbose()) std::fprintf(stderr, "loaded and saved: %s\n", root->ClassName().c_str());
  return 0;
}
