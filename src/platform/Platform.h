// The Windows services the system uses, one interface each. Everything above
// this layer reaches the machine through these interfaces and never knows
// whether it runs on Windows (platform/win32, the real API calls) or on the
// substitute machine of the posix build (platform/posix, a directory that
// plays a Windows computer).
//
// Conventions shared by every interface:
//   - Paths are Windows paths ("C:\Program Files\App\a.dll"), ANSI bytes.
//   - Calls that can fail return false, an empty optional or a null pointer,
//     as the Windows call they stand for does, and leave the Windows error
//     code for LastError(). Only the layers above raise the system's
//     exceptions, because only they know what the message must say.
//   - Open handles are objects (IRegistryKey, IFile): destroying one closes it.
//   - File times are UTC, in 100-nanosecond ticks since 1601-01-01, as
//     FILETIME holds them; ISystemService converts to and from local time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/DateTime.h"

namespace brim {

// Windows error codes the backends report and callers test for.
inline constexpr uint32_t errSuccess = 0;
inline constexpr uint32_t errFileNotFound = 2;
inline constexpr uint32_t errPathNotFound = 3;
inline constexpr uint32_t errAccessDenied = 5;
inline constexpr uint32_t errInvalidHandle = 6;
inline constexpr uint32_t errInvalidData = 13;
inline constexpr uint32_t errNotSameDevice = 17;
inline constexpr uint32_t errNoMoreFiles = 18;
inline constexpr uint32_t errGenFailure = 31;
inline constexpr uint32_t errSharingViolation = 32;
inline constexpr uint32_t errFileExists = 80;
inline constexpr uint32_t errInvalidParameter = 87;
inline constexpr uint32_t errDiskFull = 112;
inline constexpr uint32_t errCallNotImplemented = 120;
inline constexpr uint32_t errInvalidName = 123;
inline constexpr uint32_t errDirNotEmpty = 145;
inline constexpr uint32_t errBadPathname = 161;
inline constexpr uint32_t errAlreadyExists = 183;
inline constexpr uint32_t errBadExeFormat = 193;
inline constexpr uint32_t errMoreData = 234;
inline constexpr uint32_t errDirectory = 267;  // a directory call on a file
inline constexpr uint32_t errBadDB = 1009;       // the registry database is damaged
inline constexpr uint32_t errKeyDeleted = 1018;  // the open key was deleted
inline constexpr uint32_t errResourceTypeNotFound = 1813;
inline constexpr uint32_t errResourceNameNotFound = 1814;

// ---------------------------------------------------------------------------
// Registry

// The predefined keys, with their Windows handle values.
enum class TRegRoot : uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
  CurrentConfig = 0x80000005u,
  DynData = 0x80000006u,
};

// "HKEY_LOCAL_MACHINE" and so on, as regedit and messages name the roots.
const char* RootKeyName(TRegRoot root);

// The Windows value types (REG_*) the system reads and writes.
enum class TRegType : uint32_t {
  None = 0,
  String = 1,        // REG_SZ
  ExpandString = 2,  // REG_EXPAND_SZ
  Binary = 3,        // REG_BINARY
  DWord = 4,         // REG_DWORD, little-endian
  MultiString = 7,   // REG_MULTI_SZ
};

// One value as stored. For String and ExpandString, Data is the text without
// its terminating NUL; for MultiString the raw bytes (each string followed by
// a NUL, then one more NUL); for every other type the raw bytes.
struct TRegValue {
  TRegType Type = TRegType::None;
  std::string Data;

  static TRegValue Text(std::string text) { return {TRegType::String, std::move(text)}; }
  static TRegValue Integer(int32_t value);
  static TRegValue Bytes(std::string bytes) { return {TRegType::Binary, std::move(bytes)}; }
  // The 32-bit value of a DWord (or any 4-byte value); empty otherwise.
  std::optional<int32_t> AsInteger() const;
  // The strings of a MultiString, in order.
  std::vector<std::string> AsStrings() const;
  static TRegValue Strings(const std::vector<std::string>& strings);
  bool operator==(const TRegValue&) const = default;
};

// An open key. Destroying it closes it.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // Names in the registry's enumeration order (stable between calls).
  virtual std::vector<std::string> SubKeyNames() = 0;
  virtual std::vector<std::string> ValueNames() = 0;
  // "" names the key's default value.
  virtual std::optional<TRegValue> ReadValue(const std::string& name) = 0;
  virtual bool WriteValue(const std::string& name, const TRegValue& value) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
  // Makes what was written durable (RegFlushKey).
  virtual bool Flush() = 0;
};

enum class TRegAccess { Read, All };

class IRegistryService {
 public:
  virtual ~IRegistryService() = default;
  // Opens Root\Path; Path has no leading backslash and "" is the root itself.
  // Null when the key does not exist or access is refused. A key opened for
  // Read refuses writes (errAccessDenied).
  virtual std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                                TRegAccess access) = 0;
  // Opens Root\Path with all access, creating it and any missing parents.
  virtual std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) = 0;
  // Deletes a key that has no subkeys (a key with subkeys is refused, as on
  // Windows NT). Callers delete trees from the leaves up.
  virtual bool DeleteKey(TRegRoot root, const std::string& path) = 0;
};

// ---------------------------------------------------------------------------
// Files and processes

// Access wanted and sharing allowed, as bit sets (GENERIC_READ/WRITE and
// FILE_SHARE_READ/WRITE/DELETE).
inline constexpr uint32_t accRead = 1;
inline constexpr uint32_t accWrite = 2;
inline constexpr uint32_t shareNone = 0;
inline constexpr uint32_t shareRead = 1;
inline constexpr uint32_t shareWrite = 2;
inline constexpr uint32_t shareDelete = 4;

// CreateFile's creation dispositions, with their Windows values.
enum class TFileCreation : uint32_t {
  CreateNew = 1,
  CreateAlways = 2,
  OpenExisting = 3,
  OpenAlways = 4,
  TruncateExisting = 5,
};

enum class TSeekOrigin { Begin, Current, End };

// File attributes, with their Windows values (FILE_ATTRIBUTE_*).
inline constexpr uint32_t attrReadOnly = 0x01;
inline constexpr uint32_t attrHidden = 0x02;
inline constexpr uint32_t attrSystem = 0x04;
inline constexpr uint32_t attrDirectory = 0x10;
inline constexpr uint32_t attrArchive = 0x20;
inline constexpr uint32_t attrNormal = 0x80;

// Window modes of a started program (SW_*).
enum class TShowWindow : uint32_t { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3, Show = 5 };

// An open file. Destroying it closes it.
class IFile {
 public:
  virtual ~IFile() = default;
  // Reads up to count bytes; done is 0 at the end of the file.
  virtual bool Read(void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool Write(const void* buffer, uint32_t count, uint32_t& done) = 0;
  // The new position from the start of the file.
  virtual std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual std::optional<int64_t> Size() = 0;
  // Cuts the file at the current position.
  virtual bool SetEnd() = 0;
  virtual std::optional<int64_t> LastWriteTime() = 0;
  virtual bool SetLastWriteTime(int64_t utcTicks) = 0;
};

// One directory entry found by FindFiles.
struct TFindEntry {
  std::string Name;
  std::string ShortName;  // empty when Name is already a valid 8.3 name
  uint32_t Attributes = 0;
  int64_t Size = 0;
  int64_t LastWriteTime = 0;
};

class IFileService {
 public:
  virtual ~IFileService() = default;
  virtual std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                                      TFileCreation creation) = 0;
  // CopyFileA: the copy keeps the source's last-write time; with
  // failIfExists an existing target is an error.
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // MoveFileA: renames a file or directory; an existing target is an error.
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  // Creates one directory; its parent must exist.
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Removes one empty directory.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  virtual std::optional<uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // The entries matching a pattern with * and ? in its last component
  // ("C:\dir\*.dll"), without "." and "..", in the directory's order.
  virtual std::vector<TFindEntry> FindFiles(const std::string& pattern) = 0;
  // GetShortPathNameA: every component in its 8.3 form; the path must exist.
  virtual std::optional<std::string> ShortPathName(const std::string& path) = 0;
  // GetFullPathNameA: an absolute path from one relative to the current directory.
  virtual std::optional<std::string> FullPathName(const std::string& path) = 0;
  // GetTempPathA: with a trailing backslash.
  virtual std::optional<std::string> TempDirectory() = 0;
  // GetTempFileNameA with a unique number: creates the empty file and
  // returns its path ("C:\TEMP\bat1A2B.tmp" for the prefix "bat").
  virtual std::optional<std::string> UniqueTempFileName(const std::string& directory,
                                                        const std::string& prefix) = 0;
  virtual std::string CurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // Bytes free on the drive holding path (GetDiskFreeSpaceExA).
  virtual std::optional<uint64_t> DiskFreeSpace(const std::string& path) = 0;
  // WinExec: starts a command line without waiting for it.
  virtual bool StartProgram(const std::string& commandLine, TShowWindow show) = 0;
  // Starts a batch file without waiting for it.
  virtual bool RunBatchFile(const std::string& path, TShowWindow show) = 0;
  // MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: at the next start the file
  // is renamed to newName (deleted when newName is empty); replaceExisting
  // adds MOVEFILE_REPLACE_EXISTING. Windows 95 refuses the call
  // (errCallNotImplemented); WININIT.INI is its way.
  virtual bool MoveFileAtReboot(const std::string& existing, const std::string& newName,
                                bool replaceExisting) = 0;
  // GetPrivateProfileStringA / WritePrivateProfileStringA on an INI file.
  virtual std::optional<std::string> ReadProfileString(const std::string& file,
                                                       const std::string& section,
                                                       const std::string& key) = 0;
  virtual bool WriteProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) = 0;
};

// ---------------------------------------------------------------------------
// System information, national language support, reboot, clock

// What GetVersionExA reports. PlatformId: 0 Win32s, 1 Windows 95/98, 2 NT.
struct TOSVersion {
  uint32_t Major = 0, Minor = 0, Build = 0, PlatformId = 0;
  std::string CSDVersion;
};

class ISystemService {
 public:
  virtual ~ISystemService() = default;
  virtual std::optional<TOSVersion> GetVersionEx() = 0;
  // Without a trailing backslash.
  virtual std::optional<std::string> SystemDirectory() = 0;
  virtual std::optional<std::string> WindowsDirectory() = 0;
  virtual uint16_t UserDefaultLangID() = 0;
  // CompareStringA of the user's locale with NORM_IGNORECASE: <0, 0, >0.
  virtual int CompareText(const std::string& a, const std::string& b) = 0;
  // Takes the shutdown privilege and restarts Windows (ExitWindowsEx).
  virtual bool Reboot() = 0;
  // The error code of the last failed call of this thread (GetLastError).
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
  // The system's text for an error code, without a trailing line break.
  virtual std::string ErrorMessage(uint32_t code) = 0;
  virtual int64_t UtcToLocalFileTime(int64_t utcTicks) = 0;
  virtual int64_t LocalToUtcFileTime(int64_t localTicks) = 0;
  virtual TDateTime Now() = 0;
  // Milliseconds since the system started (GetTickCount).
  virtual uint32_t TickCount() = 0;
  // The system's ANSI code page (GetACP) and text converted between it and
  // UTF-16 (CP_ACP); a character the code page lacks becomes '?'. Empty
  // when the conversion itself fails.
  virtual uint32_t AnsiCodePage() = 0;
  virtual std::optional<std::string> AnsiFromWide(const std::u16string& text) = 0;
  virtual std::u16string WideFromAnsi(const std::string& text) = 0;
};

// ---------------------------------------------------------------------------
// The running program

class IModuleService {
 public:
  virtual ~IModuleService() = default;
  // The running program's own file (GetModuleFileNameA of the executable).
  virtual std::string ModuleFileName() = 0;
  // The bytes of an RT_RCDATA resource of the running program, by name.
  virtual std::optional<std::string> LoadResource(const std::string& name) = 0;
  // An RT_BITMAP resource of the running program, by name, as a complete
  // BMP file (the resource holds the bitmap without its file header).
  virtual std::optional<std::string> LoadBitmapResource(const std::string& name) = 0;
  // The command line the program was started with, as the system keeps it
  // (GetCommandLineA, the program first); empty where the system hands the
  // program its arguments already split (posix).
  virtual std::optional<std::string> CommandLine() = 0;
};

// The BMP file of a bitmap resource's bytes (a BITMAPINFOHEADER or
// BITMAPCOREHEADER, the colour table and the pixels): the 14-byte file
// header is put in front. Empty when the bytes are not a bitmap.
std::optional<std::string> BitmapFileOfResource(const std::string& resource);

// The running program's command-line arguments, without the program itself
// (ParamStr(1) is the first). The program's entry sets them; until then
// there are none.
void SetProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& ProgramArguments();

// A command line split as the system's own programs split it: blanks
// (spaces and tabs) separate the arguments, double quotes group blanks into
// an argument and are removed, and a backslash is an ordinary character, so
// "-sA:\" "A:\SETUP.EXE" is the two arguments -sA:\ and A:\SETUP.EXE.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The arguments of the running program without the program itself: its
// command line split by SplitCommandLine where the system keeps one, else
// the arguments the C runtime passed (argv after the program).
std::vector<std::string> ProgramArgumentsOf(int argc, char** argv);

// ---------------------------------------------------------------------------
// Version resources: the three calls the system makes.

class IVersionService {
 public:
  virtual ~IVersionService() = default;
  // GetFileVersionInfoSizeA: 0 when the file has no version resource.
  virtual uint32_t GetFileVersionInfoSize(const std::string& path) = 0;
  // GetFileVersionInfoA: the version block, of the size above.
  virtual std::optional<std::string> GetFileVersionInfo(const std::string& path) = 0;
  // VerQueryValueA over a block: "\" gives the 52-byte VS_FIXEDFILEINFO,
  // "\VarFileInfo\Translation" the raw words, "\StringFileInfo\040904E4\X"
  // the ANSI text of a string value without its terminating NUL.
  virtual std::optional<std::string> QueryValue(const std::string& block,
                                                const std::string& subBlock) = 0;
};

// ---------------------------------------------------------------------------
// Windows of the user interface and message boxes

// Where a top-level window is, as its outer frame (screen coordinates).
struct TWindowBounds {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TWindowBounds&) const = default;
};

// What a window tells its form. The calls come from the message loop (or
// from a call that lets the system send messages, such as Show); an
// exception a callback throws comes out of that call.
struct TWindowCallbacks {
  std::function<void()> Activated;       // the window became the active one
  std::function<void()> CloseRequested;  // the user asked to close it
};

// A top-level window. Destroying it destroys the window.
class IWindow {
 public:
  virtual ~IWindow() = default;
  // Shows the window and makes it the active one.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  virtual void Maximize() = 0;
  virtual bool Maximized() = 0;
  virtual void SetBounds(const TWindowBounds& bounds) = 0;
  virtual TWindowBounds Bounds() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Draws the window again at once.
  virtual void Repaint() = 0;
};

// The result of one step of the message loop.
enum class TMessageStep {
  Handled,  // one message was handled
  Idle,     // nothing is pending (waiting: nothing can arrive any more)
  Quit,     // the quit message was taken
};

// Message box buttons, icons and default buttons (MB_*), and the answers (ID*).
inline constexpr uint32_t boxOk = 0x0;
inline constexpr uint32_t boxOkCancel = 0x1;
inline constexpr uint32_t boxAbortRetryIgnore = 0x2;
inline constexpr uint32_t boxYesNoCancel = 0x3;
inline constexpr uint32_t boxYesNo = 0x4;
inline constexpr uint32_t boxRetryCancel = 0x5;
inline constexpr uint32_t boxIconError = 0x10;
inline constexpr uint32_t boxIconQuestion = 0x20;
inline constexpr uint32_t boxIconWarning = 0x30;
inline constexpr uint32_t boxIconInformation = 0x40;
inline constexpr uint32_t boxDefButton2 = 0x100;
inline constexpr uint32_t boxDefButton3 = 0x200;
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idAbort = 3;
inline constexpr int idRetry = 4;
inline constexpr int idIgnore = 5;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;

class IWindowService {
 public:
  virtual ~IWindowService() = default;
  // A new top-level window, hidden. Null when it cannot be made (Wine
  // without an X display makes none).
  virtual std::unique_ptr<IWindow> CreateWindow(const std::string& caption,
                                                const TWindowBounds& bounds,
                                                TWindowCallbacks callbacks) = 0;
  // Handles one pending message; with wait, waits for one first.
  virtual TMessageStep ProcessMessage(bool wait) = 0;
  // Ends the message loop: the quit message comes once nothing else is pending.
  virtual void PostQuit(int exitCode) = 0;
  // MessageBoxA: the answer (idOk, ...). Under BRIMWELL_UI it does not
  // block (see UserInterfaceMode).
  virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
};

// How the user interface meets the user, from BRIMWELL_UI:
//   unset          the platform's own: real windows and message boxes on
//                  win32; on posix, where there are none, as auto
//   auto           nothing blocks: a message box writes its text to stderr
//                  and takes its default button
//   console        a message box writes its text to stderr and reads the
//                  answer from stdin (the default button at its end)
//   script:FILE    answers come from FILE; a message box the script does
//                  not answer takes its default button, its text on stderr
enum class TUserInterfaceKind { Native, Auto, Console, Script, Invalid };
struct TUserInterfaceMode {
  TUserInterfaceKind Kind = TUserInterfaceKind::Native;
  std::string ScriptFile;  // Script
  std::string Setting;     // the variable's text, for messages
};
TUserInterfaceMode UserInterfaceMode();
TUserInterfaceMode ParseUserInterfaceMode(const char* setting);

// ---------------------------------------------------------------------------
// The services of the platform this program was built for.

IRegistryService& PlatformRegistry();
IFileService& PlatformFiles();
ISystemService& PlatformSystem();
IModuleService& PlatformModule();
IVersionService& PlatformVersions();
IWindowService& PlatformWindows();

// Puts another file service in front of the platform's own for this
// process (null takes it away again): PlatformFiles() then returns it. A
// program uses this to shape what the layers above see; brimarc gives the
// volumes of a disk set a capacity this way. The new service takes the
// platform's own from PlatformFiles() before it is installed, and is not
// exchanged while an operation has files open.
void SetFileServiceOverride(IFileService* service);
IFileService* FileServiceOverride();

// The message pump: long operations call ProcessMessages at their
// checkpoints so pending window messages (a Cancel button) run. The widget
// layer installs the pump; without one the call does nothing.
void SetMessagePump(std::function<void()> pump);
void ProcessMessages();

}  // namespace brim
