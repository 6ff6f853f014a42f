// brimdef: the install definition tool.
//   brimdef compile IN.txt -o OUT.bin    text form to binary stream
//   brimdef decompile IN.bin [-o OUT.txt] binary stream to text form
//   brimdef check IN                     load it as an authoring tool would
//   brimdef bind RUNTIME IN -o SETUP     RUNTIME with the definition (text or
//                                        binary) as its resource "TINSTALATOR";
//                                        a signed RUNTIME's signature is removed
//   brimdef face IN -o OUT.bmp           the main window's client area as the
//                                        setup draws it (backdrop and product
//                                        label), as a 24-bit BMP file
//   brimdef languages IN DIR -o OUT      IN with the string tables of DIR
//                                        (qmbiGerman.txt...) in its translator
// A definition is loaded through the class registry into real objects
// before compile writes anything; on any error the message goes to stderr,
// the exit status is non-zero and no output file is touched.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/constants_Brimwell.h"
#include "common/exceptions_Brimwell.h"
#include "engine/InstallDefinition.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"
#include "platform/AppendedResources.h"
#include "platform/Canvas.h"
#include "platform/PEResources.h"
#include "platform/PlatformError.h"
#include "platform/ResourceBinding.h"
#include "session/InstallSession.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/Painting.h"

namespace {

using namespace brim;

int Usage() {
  std::cerr << "usage: brimdef compile IN.txt -o OUT.bin\n"
               "       brimdef decompile IN.bin [-o OUT.txt]\n"
               "       brimdef check IN\n"
               "       brimdef bind RUNTIME IN -o SETUP\n"
               "       brimdef face IN -o OUT.bmp\n"
               "       brimdef languages IN DIR -o OUT\n";
  return 2;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open the file %s", path);
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) throw Exception("Cannot read the file %s", path);
  return s.str();
}

// Writes beside the target first and renames over it, so a failed write
// never leaves a half-written file where the old one was.
// The new file gets the permissions of modeOf when one is named (a bound
// runtime stays executable).
void WriteFileAtomically(const std::string& path, const std::string& data,
                         const std::string& modeOf = {}) {
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) throw Exception("Cannot create the file %s", tmp);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
      std::remove(tmp.c_str());
      throw Exception("Cannot write the file %s", tmp);
    }
  }
  std::error_code ec;
  if (!modeOf.empty())
    std::filesystem::permissions(tmp, std::filesystem::status(modeOf).permissions(), ec);
  if (!ec) std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::remove(tmp.c_str());
    throw Exception("Cannot replace the file %s: %s", path, ec.message());
  }
}

// Loads the stream into live objects in the designing state; throws the
// first error with its position.
void CheckLoads(const TObjectRecord& record) {
  std::unique_ptr<TComponent> root(CreateForm(record, TLoadOptions{true}));
}

// The picture of the main window's client area: as large as the controls
// on it reach (a window's frame is not part of the stream), or the form's
// size when nothing is on it.
std::string DrawFace(const TObjectRecord& record) {
  std::unique_ptr<TComponent> root(CreateForm(record, TLoadOptions{true}));
  auto* form = dynamic_cast<TWinControl*>(root.get());
  if (!form) throw Exception("%s is not a window and has no face to draw", root->ClassName());
  int32_t width = 0, height = 0;
  for (int i = 0; i < form->ControlCount(); ++i) {
    const TControl& c = *form->Controls(i);
    if (!c.Visible) continue;
    width = std::max(width, c.Left + c.Width);
    height = std::max(height, c.Top + c.Height);
  }
  if (width <= 0 || height <= 0) width = form->Width, height = form->Height;
  auto canvas = CreateMemoryCanvas(width, height);
  if (!canvas) throw Exception("Cannot make a picture of %d by %d pixels", width, height);
  PaintControls(*form, *canvas);
  return canvas->BitmapFile();
}

// The definition's first translator, depth first, or null.
TObjectRecord* FindTranslator(TObjectRecord& record) {
  if (record.ClassName == "TTranslator") return &record;
  for (TObjectRecord& child : record.Children)
    if (TObjectRecord* found = FindTranslator(child)) return found;
  return nullptr;
}

// A string table file as its lines: its bytes as they stand, in the
// language's own code page, split at line feeds only (a Shift-JIS byte may
// be 0x85, a line break elsewhere), a carriage return before one dropped.
std::vector<std::string> TableLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Puts the tables found in dir into the translator's languages, each where
// the saver would write it: after the language's other properties, or in
// language order when it has none. A language without a file keeps its own.
void LoadLanguageTables(TObjectRecord& root, const std::string& dir, const std::string& in) {
  TObjectRecord* translator = FindTranslator(root);
  if (!translator) throw Exception("The definition %s has no translator to load languages into", in);
  auto& props = translator->Props;
  for (const TLanguageInfo& info : LanguageInfos()) {
    const std::filesystem::path file = std::filesystem::path(dir) / info.FileName;
    if (!std::filesystem::exists(file)) continue;
    TValue list;
    list.Tag = TValueTag::vaList;
    for (std::string& line : TableLines(ReadFile(file.string())))
      list.List.push_back(TValue::String(std::move(line)));
    const std::string prefix = std::string(info.PropertyName) + ".";
    const std::string name = prefix + "Strings.Strings";
    std::erase_if(props, [&](const TPropertyValue& p) { return p.Name == name; });
    // After the last property of this language or of one before it.
    auto at = props.begin();
    for (auto it = props.begin(); it != props.end(); ++it) {
      for (const TLanguageInfo& before : LanguageInfos()) {
        if (it->Name.rfind(std::string(before.PropertyName) + ".", 0) == 0) at = it + 1;
        if (&before == &info) break;
      }
    }
    props.insert(at, TPropertyValue{name, std::move(list), {}});
  }
}

// The definition file a command works on, named in its error messages.
std::string subject;

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  const std::string& cmd = args[0];
  std::string out;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) out = args[++i];
    else if (!args[i].empty() && args[i][0] != '-') files.push_back(args[i]);
    else return Usage();
  }
  const bool twoFiles = cmd == "bind" || cmd == "languages";
  if (files.size() != (twoFiles ? 2u : 1u)) return Usage();
  const std::string& in = cmd == "languages" ? files[0] : files.back();
  subject = in;
  RegisterInstallVocabulary();
  if (cmd == "compile") {
    if (out.empty()) return Usage();
    TObjectRecord record = ParseForm(ReadFile(in));
    CheckLoads(record);
    WriteFileAtomically(out, WriteBinaryForm(record));
    return 0;
  }
  if (cmd == "decompile") {
    std::string text = PrintTextForm(ParseForm(ReadFile(in)));
    if (out.empty()) std::cout << text;
    else WriteFileAtomically(out, text);
    return 0;
  }
  if (cmd == "bind") {
    if (out.empty()) return Usage();
    const std::string& runtime = files[0];
    std::string executable = ReadFile(runtime);
    std::string definition = ReadFile(in);
    TObjectRecord record = ParseForm(definition);
    CheckLoads(record);
    // A binary definition is bound as it is; a text one compiled first.
    if (!definition.starts_with(FormSignature)) definition = WriteBinaryForm(record);
    std::string why;
    auto bound = BindExecutableResource(executable, kResourceTypeRCData,
                                        InstallDefinitionResource, definition, &why);
    if (!bound) throw Exception("Cannot bind the definition into %s: %s", runtime, why);
    WriteFileAtomically(out, *bound, runtime);
    // The new resource breaks a signature: the binding left it out.
    if (CertificateTable(executable, executable.size()))
      std::cout << "brimdef: the signature of " << runtime << " was removed: " << out
                << " is not signed (sign it again)\n";
    return 0;
  }
  if (cmd == "face") {
    if (out.empty()) return Usage();
    WriteFileAtomically(out, DrawFace(ParseForm(ReadFile(in))));
    return 0;
  }
  if (cmd == "languages") {
    if (out.empty()) return Usage();
    TObjectRecord record = ParseForm(ReadFile(in));
    LoadLanguageTables(record, files[1], in);
    // The translator parses every table as it loads: a bad line is refused here.
    CheckLoads(record);
    WriteFileAtomically(out, PrintTextForm(record));
    return 0;
  }
  if (cmd == "check" && out.empty()) {
    CheckLoads(ParseForm(ReadFile(in)));
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    TInstallSession session;
    return Run(args);
  } catch (const std::exception& e) {
    std::cerr << "brimdef: " << (subject.empty() ? "" : subject + ": ") << e.what() << "\n";
    if (const brim::TPlatformError* cause = brim::CauseOf(e))
      std::cerr << "brimdef: " << cause->Describe() << "\n";
    return 1;
  }
}
