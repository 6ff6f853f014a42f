// The fixture of the installation run, reboot continuation and record
// tests: a product (the installation, the directory Dir and the files of
// each test) installed from "files.1" into "app" by whole runs (each test
// has a session of its own). The running setup file is "setup\setup.exe" of
// the scratch directory; a listener among the installation's members hears
// what the run broadcasts, as the dialogs do; message boxes are recorded.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/InstallFileTest.h"
#include "platform/HeadlessWindows.h"
#include "session/InstallSession.h"

namespace brim::test {

// A member of the installation that hears the run's broadcasts: each code
// of the run (not those of the tree's processing), and the text of a status
// message, go to the log; OnCode may act on every code.
class TRunListener : public TInstallObject {
  BRIM_CLASS(TRunListener)

 public:
  TRunListener(TComponent* owner, std::vector<std::string>* log) : TInstallObject(owner), log_(log) {}
  int RegisteredType() const override { return rtDialog; }
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override;

  std::function<void(int code)> OnCode;

 private:
  std::vector<std::string>* log_;
};

// The running program, as the module service tells it, is another file.
class TModuleAt : public IModuleService {
 public:
  explicit TModuleAt(std::string path) : Path(std::move(path)) {}
  std::string ModuleFileName() override { return Path; }
  std::optional<std::string> LoadResource(const std::string& name) override;
  std::optional<std::string> LoadBitmapResource(const std::string& name) override;
  std::optional<std::string> CommandLine() override { return std::nullopt; }

  std::string Path;
};

class InstallRunTest : public InstallFileTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the product: the installation with the properties (it runs without
  // the loading program unless they say otherwise), Dir and the components,
  // with the program's arguments; the listener joins the installation.
  void LoadProduct(const std::string& components, const std::string& installProperties = "",
                   const std::vector<std::string>& arguments = {});
  // Runs the installation as the application does: what escapes the run
  // goes to the installation's handler.
  void RunInstall();
  // The record's value, or "<none>" (a string), or none (an integer).
  std::string RecordValue(const std::string& name) {
    return MachineValue(install->InstallRecordKey, name);
  }
  // Whether a key under HKEY_LOCAL_MACHINE exists.
  bool MachineKeyExists(const std::string& key);
  bool Heard(const std::string& what) const;

  // What is on the machine of the product, dates aside: the files under
  // "app" and "app2", the registry under the keys the runs write (records,
  // RunOnce, the scratch key), and what the uninstall record lists.
  std::map<std::string, std::string> Snapshot();
  // Removes all of that, as on a machine the product never reached.
  void RemoveProduct();
  // Starts the next case of a test there: no product, nothing heard or
  // shown, no restart asked for, the application not terminated.
  void Reset();

  // The running setup file; RunFrom makes another one the running program.
  std::string SetupFile;
  void RunFrom(const std::string& path) { module_->Path = path; }
  std::vector<std::string> heard;
  // The texts of the message boxes.
  std::string shown;
  TRunListener* listener = nullptr;

 private:
  std::optional<TModuleAt> module_;
  std::optional<TScopedPlatformServices> services_;
  THeadlessWindowService windows_{TUserInterfaceKind::Auto,
                                  {[this](const std::string& text) { shown += text; }, nullptr}};
};

// What differs between two snapshots, one line each; empty when nothing does.
std::string Differences(const std::map<std::string, std::string>& found,
                        const std::map<std::string, std::string>& expected);

// The key of the installation records.
inline constexpr const char* RecordsKey = "\\SOFTWARE\\Brimwell\\Install";

}  // namespace brim::test
