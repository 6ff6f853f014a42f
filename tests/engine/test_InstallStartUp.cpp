// The installation component's start-up and life cycle: the command line,
// the checks of its construction, what Loaded chooses, the main window's
// first activation, the routing of errors that end a run, the rules of its
// properties and the setup file's name. The steps that other units carry
// out are fakes that write what ran into a log.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/routines_Strings.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "platform/HeadlessWindows.h"
#include "platform/Platform.h"
#include "translation/cmp_TTranslator.h"

namespace brim::test {
namespace {

using Log = std::vector<std::string>;

const char kInvalid[] =
    "Invalid parameter <%s>. Valid command line parameters are: -b (Build), -d (Debug), -f "
    "(Transfer to floppies), -e (Called by self-extractor), -r (After reboot)";

class InstallStartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = InstallHooks();
    TInstallHooks& hooks = InstallHooks();
    hooks.FindInstallRecord = [this](TCustomInstall&) {
      log.push_back("find record");
      return recordKey;
    };
    hooks.UseLocalArchive = [this](TCustomInstall&) { log.push_back("local archive"); };
    hooks.Run = [this](TCustomInstall& install) {
      log.push_back("run");
      if (runFails) {
        install.Running = true;
        runFails();
      }
    };
    hooks.NotifyBadInstall = [this](TCustomInstall&) {
      log.push_back("bad end");
      if (badEndFails) throw IEInstall("The bad-end dialog failed");
    };
    hooks.CleanupLoadingProgram = [this](TCustomInstall&) { log.push_back("clean up"); };
    hooks.RemoveInstallRecord = [this](TCustomInstall&) { log.push_back("remove record"); };
    hooks.Build = [this](TCustomInstall&) { log.push_back("build"); };
    hooks.TransferToFloppies = [this](TCustomInstall&, const std::string& drive) {
      log.push_back("floppies " + drive);
    };
    hooks.ContinueAfterReboot = [this](TCustomInstall&) { log.push_back("after reboot"); };
    Application().SetWindows(&windows);
    Application().Initialize();
  }

  void TearDown() override {
    form.reset();
    Application().DestroyComponents();
    Application().SetWindows(nullptr);
    Application().OnException = {};
    SetMessagePump(nullptr);
    SetProgramArguments({});
    InstallHooks() = saved_;
  }

  // Loads Install1 with these properties (and further components) on a
  // form, the program having these arguments.
  TInstall* Load(const std::string& properties = "", const std::vector<std::string>& arguments = {},
                 const std::string& more = "") {
    SetProgramArguments(arguments);
    form = LoadOnForm(Definition(properties, more), handlers);
    return form->Find<TInstall>("Install1");
  }
  std::string StartError(const std::vector<std::string>& arguments,
                         const std::string& properties = "") {
    SetProgramArguments(arguments);
    return LoadErrorOnForm(Definition(properties, ""));
  }
  static std::string Definition(const std::string& properties, const std::string& more) {
    return "object Install1: TInstall\n" + properties + "\nend\n" + more;
  }

  // Shows the form and lets the window service deliver what that causes;
  // what escapes a message goes to the application, as in its loop.
  void ShowForm() {
    form->Show();
    for (;;) {
      try {
        if (windows.ProcessMessage(false) != TMessageStep::Handled) return;
      } catch (...) {
        Application().HandleException(form.get());
      }
    }
  }
  bool Ran(const std::string& step) const {
    return std::find(log.begin(), log.end(), step) != log.end();
  }

  // What message boxes said, and the steps that ran.
  std::string shown;
  Log log;
  THeadlessWindowService windows{TUserInterfaceKind::Auto,
                                 {[this](const std::string& text) { shown += text; }, nullptr}};
  std::unique_ptr<TDefinitionTestMainForm> form;
  std::map<std::string, std::any> handlers;
  std::string recordKey;
  std::function<void()> runFails;
  bool badEndFails = false;

 private:
  TInstallHooks saved_;
};

// ---- The command line ----

TEST_F(InstallStartUp, NoArgumentsGiveNoSwitchesAndTheProgramsDirectory) {
  TInstall* install = Load();
  EXPECT_EQ(install->CommandSwitches, 0u);
  std::string program = PlatformModule().ModuleFileName();
  ASSERT_GT(program.size(), install->InstallSource.size());
  EXPECT_EQ(program.substr(0, install->InstallSource.size() + 1), install->InstallSource + "\\");
  EXPECT_EQ(program.find('\\', install->InstallSource.size() + 1), std::string::npos) << program;
  ShowForm();
  EXPECT_EQ(log, (Log{"find record", "local archive", "run"}));
}

TEST_F(InstallStartUp, UpperCaseAndStarSelectTheSameSwitches) {
  TInstall* install = Load("", {"-C", "*eSetup.exe", "-S\\\\server\\share"});
  EXPECT_TRUE(install->HasSwitch('c'));
  EXPECT_TRUE(install->HasSwitch('e'));
  EXPECT_EQ(install->SwitchArgument('e'), "Setup.exe");
  EXPECT_EQ(install->InstallSource, "\\\\server\\share");
  EXPECT_FALSE(install->HasSwitch('b'));
}

TEST_F(InstallStartUp, StarLangChoosesTheMainTranslatorsLanguage) {
  struct TCase {
    const char* Argument;
    TQmbxLanguage Chosen;
    const char* Error;  // part of the error, or null
  } cases[] = {
      {"*LANG=German", TQmbxLanguage::qlGerman, nullptr},
      {"*lang=lgJapanese", TQmbxLanguage::qlJapanese, nullptr},
      {"*LANG=QLPOLISH", TQmbxLanguage::qlPolish, nullptr},
      {"*LANG=Klingon", TQmbxLanguage::qlUser, "Unknown language Klingon in *LANG=Klingon"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Argument);
    TInstall* install = Load("", {c.Argument}, "object MainTranslator: TTranslator\nend\n");
    EXPECT_EQ(install->CommandSwitches, 0u);
    std::string error;
    try {
      install->ChooseLanguageArgument();
    } catch (const Exception& e) {
      error = e.what();
    }
    EXPECT_EQ(MainTranslator()->TranslateIntoLanguage, c.Chosen);
    if (c.Error) EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    else EXPECT_EQ(error, "");
    form.reset();
  }
  // Without a translator there is no language to choose.
  TInstall* install = Load("", {"*LANG=German"});
  EXPECT_THROW(install->ChooseLanguageArgument(), Exception);
}

TEST_F(InstallStartUp, DeploymentWordsAreTakenWithinTheSwitchGrammar) {
  const struct {
    const char* Argument;
    const char* Taken;  // quiet, passive, log and destination, as "q p LOG|DIR"
    uint32_t Switches;  // a word whose second letter is a switch's is that switch
  } cases[] = {
      {"*QUIET", "1 0 |", 0},
      {"*passive", "0 1 |", 0},
      {"*LOG=C:\\Logs\\my setup.log", "0 0 C:\\Logs\\my setup.log|", 0},
      {"*INSTALLDIR= C:\\Program Files\\My App ", "0 0 |C:\\Program Files\\My App", 0},
      {"*QUIETLY", "0 0 |", 0},
      {"*SILENT", "0 0 |", 1u << 5},
  };
  for (const auto& c : cases) {
    const TDeploymentOptions& taken = Load("", {c.Argument})->Deployment;
    EXPECT_EQ(Format("%d %d %s|%s", int{taken.Quiet}, int{taken.Passive}, taken.LogFile, taken.InstallDir), c.Taken);
    EXPECT_EQ(CurrentInstall()->CommandSwitches, c.Switches) << c.Argument;
    form.reset();
  }
}

TEST_F(InstallStartUp, AnUpperCaseOrStarBuildSwitchBuildsAndEnds) {
  for (const char* argument : {"-B", "*b"}) {
    log.clear();
    Load("", {argument});
    EXPECT_TRUE(Ran("build")) << argument;
    EXPECT_TRUE(Application().Terminated()) << argument;
    form.reset();
    Application().Initialize();
  }
}

TEST_F(InstallStartUp, AnUnknownLetterFailsAfterMinusAndIsIgnoredAfterStar) {
  EXPECT_EQ(StartError({"-x"}), Format(kInvalid, "-x"));
  TInstall* install = Load("", {"*TODISK", "*xyz"});
  EXPECT_EQ(install->CommandSwitches, 0u);
}

TEST_F(InstallStartUp, ShortAndNonSwitchArgumentsFail) {
  EXPECT_EQ(StartError({"-c", "-"}), Format(kInvalid, "-"));
  EXPECT_EQ(StartError({"*"}), Format(kInvalid, "*"));
  EXPECT_EQ(StartError({"setup.exe"}), Format(kInvalid, "setup.exe"));
  EXPECT_EQ(StartError({"/s"}), Format(kInvalid, "/s"));
  EXPECT_FALSE(Ran("run"));
}

TEST_F(InstallStartUp, TheSourceSwitchGivesTheInstallSource) {
  EXPECT_EQ(Load("", {"-sC:\\My Build"})->InstallSource, "C:\\My Build");
  form.reset();
  TInstall* install = Load("", {"-s"});
  EXPECT_TRUE(install->HasSwitch('s'));
  EXPECT_EQ(install->SwitchArgument('s'), "");
  EXPECT_EQ(install->InstallSource, "");
  // A later argument replaces an earlier one.
  form.reset();
  EXPECT_EQ(Load("", {"-sC:\\First", "-c", "-SD:\\Second"})->InstallSource, "D:\\Second");
  // The loading program passes the floppy's root quoted; the backslash
  // before the closing quote is the root's, not an escape.
  form.reset();
  install = Load("", SplitCommandLine(R"("-sA:\" -c)"));
  EXPECT_EQ(install->InstallSource, "A:\\");
  EXPECT_TRUE(install->HasSwitch('c'));
}

TEST_F(InstallStartUp, DebugNeedsASourceDirectory) {
  const std::string forgot =
      "You forgot to pass in the build directory. In Run | Parameters, follow this format: -d "
      "\"-sC:\\My Build\"";
  EXPECT_EQ(StartError({"-d"}), forgot);
  EXPECT_EQ(StartError({"-d", "-s   "}), forgot);
  EXPECT_EQ(Load("", {"-d", "-sC:\\My Build"})->InstallSource, "C:\\My Build");
}

// ---- Construction ----

TEST_F(InstallStartUp, ASecondInstallationComponentFails) {
  std::string error = LoadErrorOnForm(R"(
    object Install1: TInstall
    end
    object Install2: TInstall
    end)");
  EXPECT_CONTAINS(error, "Install2");
  EXPECT_CONTAINS(error,
                  "The TInstall component does not currently support the use of 2 TInstall "
                  "components in the same project");
  // The one that failed did not take the place of the first, which is gone.
  EXPECT_EQ(CurrentInstall(), nullptr);
  EXPECT_NE(Load(), nullptr);
  EXPECT_EQ(CurrentInstall(), form->FindComponent("Install1"));
}

TEST_F(InstallStartUp, TheOwnerMustBeAFormOrADataModule) {
  EXPECT_CONTAINS(LoadError("object Install1: TInstall\nend"),
                  "The owner of the TInstall component must be a form or a data module; Form is a "
                  "TDefinitionTestForm");
  TComponent plain(nullptr);
  EXPECT_THROW(TInstall install(&plain), IEInstall);
  EXPECT_EQ(MessageOf([] { TInstall install(nullptr); }),
            "The owner of the TInstall component must be a form or a data module; it has none");
  TDataModule module(nullptr);
  TInstall onModule(&module);
  EXPECT_EQ(CurrentInstall(), &onModule);
}

// ---- Loaded ----

TEST_F(InstallStartUp, TheRecordFoundIsKept) {
  recordKey = "\\SOFTWARE\\Brimwell\\Install\\Brimwell Demo";
  EXPECT_EQ(Load()->InstallRecordKey, recordKey);
  recordKey.clear();
  form.reset();
  EXPECT_EQ(Load()->InstallRecordKey, "");
}

TEST_F(InstallStartUp, TheMainWindowIsTheApplicationsMainFormBeforeTheOwner) {
  TForm* main = Application().CreateForm<TForm>();
  TInstall* install = Load();
  EXPECT_EQ(install->MainWindow(), main);
  main->Show();
  Application().ProcessMessages();
  EXPECT_TRUE(Ran("run"));
}

TEST_F(InstallStartUp, WithoutAFormToRunOnAnAutomaticInstallFails) {
  TDataModule module(nullptr);
  TInstall install(&module);
  install.BeginLoading();
  EXPECT_EQ(MessageOf([&] { install.Loaded(); }),
            "Application.MainForm is undefined and the TInstall is not on a form. Therefore, "
            "therefore the TInstall can't run the installation automatically");
  install.RunAutomatic = false;
  install.BeginLoading();
  install.Loaded();
  EXPECT_EQ(install.MainWindow(), nullptr);
}

TEST_F(InstallStartUp, TheCurrentInstallTypeFollowsTheOfferedTypes) {
  const std::string file = "object File1: TInstallFile\n Container = Install1\nend\n";
  struct {
    const char* Offered;
    TInstallType Chosen;
  } cases[] = {{"[itFull, itDefault, itCompact]", TInstallType::itDefault},
               {"[itFull, itCompact]", TInstallType::itCompact},
               {"[itCustom]", TInstallType::itFull},
               {"[itFull]", TInstallType::itFull}};
  for (const auto& c : cases) {
    TInstall* install = Load(std::string("InstallTypes = ") + c.Offered, {}, file);
    EXPECT_EQ(install->CurrentInstallType, c.Chosen) << c.Offered;
    EXPECT_EQ(form->Find<TInstallFile>("File1")->CurrentInstallType, c.Chosen) << c.Offered;
    form.reset();
  }
}

TEST_F(InstallStartUp, TheModesRunTheirStep) {
  Load("", {"-f"});
  EXPECT_TRUE(Ran("floppies a:"));
  EXPECT_TRUE(Application().Terminated());
  form.reset();
  Application().Initialize();
  log.clear();
  Load("", {"-r"});
  EXPECT_TRUE(Ran("after reboot"));
  EXPECT_FALSE(Application().Terminated());
  // Continuing after a reboot does not wait for the main window.
  ShowForm();
  EXPECT_FALSE(Ran("run"));
}

TEST_F(InstallStartUp, EveryModeIsThereAndSaysWhyItCannotGoOnHere) {
  InstallHooks() = DefaultInstallHooks();
  // The build and floppy modes are there: each shows why it cannot go on here.
  EXPECT_EQ(StartError({"-b"}), "");
  EXPECT_CONTAINS(shown, "Need to have a BUILD.INF file in this directory");
  EXPECT_EQ(StartError({"-f"}), "");
  EXPECT_CONTAINS(shown, "Sorry... You can only transfer this installation to floppies");
  shown.clear();
  Application().Initialize();
  // The continuation is the installation's own: without a record it has
  // no unfinished list to finish.
  EXPECT_EQ(StartError({"-r"}),
            "The TInstall could not either write or read unfinished business from the registry");
  TInstall* install = Load();
  EXPECT_EQ(install->InstallRecordKey, "");
  // The run is the installation's own; it fails, and ends the program as a
  // failed run does.
  ShowForm();
  EXPECT_CONTAINS(shown, "brim_tests: The path of the loading program was not passed correctly.");
  EXPECT_TRUE(install->Ended);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(InstallStartUp, TheDefaultStepsAreTheInstallationsOwn) {
  InstallHooks() = DefaultInstallHooks();
  TInstall* install = Load();
  const TInstallHooks hooks = DefaultInstallHooks();
  const std::string noRecord =
      "The TInstall could not either write or read unfinished business from the registry";
  struct Case {
    const char* what;
    std::function<void(TCustomInstall&)> step;
    std::string error;
  } cases[] = {
      {"installation run", hooks.Run,
       "The path of the loading program was not passed correctly. If you are running your install "
       "project in the IDE, then you need to add two command line parameters. In Run | Parameters | "
       "\"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path into which you "
       "built the distributables. Example: -d \"-sC:\\My Build\"."},
      // Without -c there is no copy to clean up; without a record none to remove.
      {"loading program's clean-up", hooks.CleanupLoadingProgram, ""},
      {"installation record removal", hooks.RemoveInstallRecord, ""},
      {"after-reboot continuation (-r)", hooks.ContinueAfterReboot, noRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MessageOf([&] { c.step(*install); }), c.error);
  }
  EXPECT_FALSE(install->RunCleanupBatch);
  // The bad end is the tree's notification, between the installation's events.
  Log events;
  install->OnBeforeNotifyBadInstall.Handler = [&](TComponent*) { events.push_back("before"); };
  install->OnAfterNotifyBadInstall.Handler = [&](TComponent*) { events.push_back("after"); };
  hooks.NotifyBadInstall(*install);
  EXPECT_EQ(events, (Log{"before", "after"}));
  // The build and floppy modes are the installation's own.
  hooks.Build(*install);
  EXPECT_CONTAINS(shown, "Need to have a BUILD.INF file in this directory");
  hooks.TransferToFloppies(*install, "a:");
  EXPECT_CONTAINS(shown, "Sorry... You can only transfer this installation to floppies");
}

TEST_F(InstallStartUp, AHiddenMainFormIsPlacedOffTheScreen) {
  // The form's own size comes before its components in the stream.
  form = LoadOnForm(
      "Width = 696\nHeight = 480\n" +
      Definition("AutoMaximizeWindow = False\nHideMainForm = True", ""));
  EXPECT_EQ(form->Left, -1392);
  EXPECT_EQ(form->Top, -960);
  ShowForm();
  ASSERT_NE(form->Window(), nullptr);
  EXPECT_EQ(form->Window()->Bounds(), (TWindowBounds{-1392, -960, 696, 480}));
  EXPECT_FALSE(form->Window()->Maximized());
}

// ---- The first activation ----

TEST_F(InstallStartUp, TheFirstActivationMaximisesAndRunsOnce) {
  int own = 0;
  TComponent* sender = nullptr;
  handlers["FormActivate"] = std::function<void(TComponent*)>([&](TComponent* s) {
    ++own;
    sender = s;
  });
  SetProgramArguments({});
  form = LoadOnForm("OnActivate = FormActivate\n" + Definition("", ""), handlers);
  ShowForm();
  EXPECT_EQ(log, (Log{"find record", "local archive", "run"}));
  EXPECT_EQ(own, 1);
  EXPECT_EQ(sender, form.get());
  EXPECT_TRUE(form->Window()->Maximized());
  // The form has its own handler back; activating it again runs nothing more.
  form->Hide();
  ShowForm();
  EXPECT_EQ(std::count(log.begin(), log.end(), "run"), 1);
  EXPECT_EQ(own, 2);
  EXPECT_EQ(form->OnActivate.HandlerName, "FormActivate");
}

TEST_F(InstallStartUp, WithoutRunAutomaticTheFirstActivationOnlyMaximises) {
  Load("RunAutomatic = False");
  ShowForm();
  EXPECT_TRUE(form->Window()->Maximized());
  EXPECT_FALSE(Ran("run"));
  // A later activation finds the first one handled: the window stays as the
  // user left it.
  form->SetWindowState(TWindowState::wsNormal);
  form->Hide();
  ShowForm();
  EXPECT_FALSE(form->Window()->Maximized());
  EXPECT_FALSE(Ran("run"));
}

// ---- Errors that end a run ----

TEST_F(InstallStartUp, AnErrorOutsideARunIsOnlyShown) {
  TInstall* install = Load();
  install->HandleException(install, Exception("The disk is full"));
  EXPECT_EQ(shown, "brim_tests: The disk is full\n");
  EXPECT_EQ(log, (Log{"find record", "local archive"}));
  EXPECT_FALSE(install->Ended);
  EXPECT_FALSE(Application().Terminated());
}

TEST_F(InstallStartUp, AUserAbortWithoutRunAutomaticKeepsTheProgramRunning) {
  bool asked = false;
  TInstall* install = Load("RunAutomatic = False");
  install->OnBeforeShutdown.Handler = [&](TComponent*, bool&) { asked = true; };
  log.clear();
  install->Running = true;
  install->HandleException(install, EAIUserAbort());
  EXPECT_EQ(log, (Log{"bad end", "clean up", "remove record"}));
  EXPECT_EQ(shown, "");
  EXPECT_FALSE(asked);
  EXPECT_FALSE(Application().Terminated());
  EXPECT_FALSE(install->Running);
  EXPECT_TRUE(install->Ended);
}

TEST_F(InstallStartUp, AUserAbortOfAnAutomaticRunEndsTheProgramQuietly) {
  runFails = [] { throw EAIUserAbort(); };
  TInstall* install = Load();
  ShowForm();
  EXPECT_EQ(log, (Log{"find record", "local archive", "run", "bad end", "clean up",
                      "remove record"}));
  EXPECT_EQ(shown, "");
  EXPECT_TRUE(install->Ended);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(InstallStartUp, AnotherErrorIsShownAndAsksToShutDownEvenWithoutRunAutomatic) {
  bool asked = false;
  TInstall* install = Load("RunAutomatic = False");
  install->OnBeforeShutdown.Handler = [&](TComponent* sender, bool& quit) {
    asked = sender == install && quit;
  };
  log.clear();
  install->Running = true;
  install->HandleException(install, IEInstall("Cannot write C:\\App\\a.dll"));
  EXPECT_EQ(log, (Log{"bad end"}));
  EXPECT_EQ(shown, "brim_tests: Cannot write C:\\App\\a.dll\n");
  EXPECT_TRUE(asked);
  EXPECT_TRUE(Application().Terminated());
  // The installation record stays after a failure.
  EXPECT_FALSE(Ran("remove record"));
}

TEST_F(InstallStartUp, TheShutdownHandlerCanKeepTheProgramRunning) {
  TInstall* install = Load();
  install->OnBeforeShutdown.Handler = [](TComponent*, bool& quit) { quit = false; };
  EXPECT_TRUE(install->ShutdownQuery());
  EXPECT_FALSE(Application().Terminated());
  install->OnBeforeShutdown = {};
  EXPECT_FALSE(install->ShutdownQuery());
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(InstallStartUp, ASecondErrorIsNotShown) {
  badEndFails = true;
  TInstall* install = Load("RunAutomatic = False");
  install->Running = true;
  install->HandleException(install, IEInstall("Cannot write C:\\App\\a.dll"));
  // The run's error is shown, the failed bad-end page's is not.
  EXPECT_NE(shown.find("Cannot write C:\\App\\a.dll"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("bad-end dialog"), std::string::npos) << shown;
  shown.clear();
  // and the program ends as after any error of the run.
  EXPECT_TRUE(Application().Terminated());
  form.reset();
  install = Load();
  install->Running = true;
  install->HandleException(install, EAIUserAbort());
  EXPECT_EQ(shown, "");
  EXPECT_TRUE(Application().Terminated());
}

// ---- Property rules ----

TEST_F(InstallStartUp, MaximisingAndHidingTheMainFormExcludeEachOther) {
  TInstall* install = Load("AutoMaximizeWindow = True\nHideMainForm = True\nRunAutomatic = False");
  // The definition stores both as written.
  EXPECT_TRUE(install->AutoMaximizeWindow());
  EXPECT_TRUE(install->HideMainForm());
  install->SetHideMainForm(true);
  EXPECT_FALSE(install->AutoMaximizeWindow());
  install->SetAutoMaximizeWindow(true);
  EXPECT_FALSE(install->HideMainForm());
  install->SetAutoMaximizeWindow(false);
  install->SetHideMainForm(false);
  EXPECT_FALSE(install->AutoMaximizeWindow());
  EXPECT_FALSE(install->HideMainForm());
}

TEST_F(InstallStartUp, UsingTheLoadingProgramTakesTheMainArchive) {
  TInstall* install = Load("UseLoadingProgram = False");
  install->SetArchiveFileType(form->Find<TCustomPathSpecifier>("psInstallSource"));
  install->SetArchiveFile("\\data.1");
  install->SetUseLoadingProgram(false);
  EXPECT_EQ(install->ArchiveFile(), "\\data.1");
  install->SetUseLoadingProgram(true);
  EXPECT_EQ(install->ArchiveFileType(), form->FindComponent("psMainArchiveFile"));
  EXPECT_EQ(install->ArchiveFile(), "");
}

TEST_F(InstallStartUp, TheDistributeTypeComesFromTheDefinitionOnly) {
  TInstall* install = Load("DistributeType = dtWeb");
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtWeb);
  EXPECT_EQ(MessageOf([&] { install->SetDistributeType(TDistributeType::dtTraditional); }),
            "DistributeType can only be set at design-time");
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtWeb);
}

TEST_F(InstallStartUp, ANetworkLocationGoneMakesTheDistributionTraditional) {
  TInstall* install = Load("DistributeType = dtWeb\nNetLocation = WebServer", {},
                           "object WebServer: TCustomNetInstallLocation\nend\nobject Other: "
                           "TCustomNetInstallLocation\nend\n");
  auto* other = form->Find<TCustomNetInstallLocation>("Other");
  install->SetNetLocation(other);
  EXPECT_EQ(CurrentNetLocation(), other);
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtWeb);
  other->Free();
  EXPECT_EQ(install->NetLocation(), nullptr);
  EXPECT_EQ(CurrentNetLocation(), nullptr);
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtTraditional);
}

TEST_F(InstallStartUp, PresetupFilesLoseTheirBlankLinesInTheGivenListToo) {
  TInstall* install = Load();
  TStringList files;
  for (const char* line : {"  ", "WININET.DLL", "", "readme.txt", "\t"}) files.Add(line);
  install->SetPresetupFiles(files);
  EXPECT_EQ(files.Lines(), (std::vector<std::string>{"WININET.DLL", "readme.txt"}));
  EXPECT_EQ(install->PresetupFiles.Lines(), files.Lines());
  files.Add("later.txt");
  EXPECT_EQ(install->PresetupFiles.Count(), 2);
}

// ---- The setup file ----

TEST_F(InstallStartUp, TheSetupFileIsTheSelfExtractorTheProgramOrTheLoadersArgument) {
  TInstall* install = Load("", {"-sC:\\Setup", "-eSetup.exe"});
  EXPECT_EQ(install->GetSetupFileName(), "C:\\Setup\\Setup.exe");
  form.reset();
  install = Load("UseLoadingProgram = False", {"-sC:\\Setup"});
  EXPECT_EQ(install->GetSetupFileName(), PlatformModule().ModuleFileName());
  form.reset();
  // The loading program's second argument follows the install source.
  install = Load("UseLoadingProgram = True", {"-sC:\\Setup", "*TODISK"});
  EXPECT_EQ(install->GetSetupFileName(), "C:\\Setup\\*TODISK");
  form.reset();
  install = Load("UseLoadingProgram = True", {"-sC:\\", "*TODISK"});
  EXPECT_EQ(install->GetSetupFileName(), "C:\\*TODISK");
}

// ---- Destruction ----

TEST_F(InstallStartUp, DestroyingTheInstallationGivesTheWindowItsHandlerBack) {
  int own = 0;
  // The application's main form is the main window of an installation on
  // a data module.
  TForm* main = Application().CreateForm<TForm>();
  main->OnActivate.Handler = [&](TComponent*) { ++own; };
  TDataModule module(nullptr);
  auto* install = new TInstall(&module);
  install->BeginLoading();
  install->Loaded();
  EXPECT_EQ(install->MainWindow(), main);
  install->Free();
  EXPECT_EQ(CurrentInstall(), nullptr);
  main->Show();
  Application().ProcessMessages();
  EXPECT_EQ(own, 1);
  EXPECT_FALSE(Ran("run"));
  // The application shows its errors itself again.
  EXPECT_FALSE(static_cast<bool>(Application().OnException));
}

}  // namespace
}  // namespace brim::test
