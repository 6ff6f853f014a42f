// Starting and stopping the test servers. The server learns where to serve
// and where to write its port from its command line; it stops when a file
// beside the port file appears (a Unix program that Wine started has no
// process handle to end it by), and on its own after ten minutes.
#include "netlocation/TestServers.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace brim::test {

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 30s;  // python and pyftpdlib start slowly on a loaded machine
constexpr auto kStopLimit = 10s;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int ProcessNumber() {
#ifdef _WIN32
  return static_cast<int>(GetCurrentProcessId());
#else
  return static_cast<int>(getpid());
#endif
}

#ifdef _WIN32
// The Unix name of a path of this program, under Wine; empty elsewhere.
std::string UnixPath(const std::string& path) {
  using TConvert = char*(CDECL*)(const wchar_t*);
  static auto convert = reinterpret_cast<TConvert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  std::wstring wide(path.begin(), path.end());
  char* unix = convert(wide.c_str());
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}
#endif

}  // namespace

std::string TestPayload(size_t size) {
  std::string data(size, '\0');
  uint32_t x = 2463534242u;
  for (char& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return data;
}

TTestServer::TTestServer(TKind kind, uint16_t port) {
  static std::atomic<int> counter{0};
  std::string name =
      "brimwell-server-" + std::to_string(ProcessNumber()) + "-" + std::to_string(++counter);
  fs::path root = fs::temp_directory_path() / name;
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root, ec);
  root_ = root.string();
  portFile_ = root_ + ".port";
  std::string script = std::string(BRIMWELL_SOURCE_DIR) + "/tests/netlocation/test_servers.py";
  std::vector<std::string> args = {kind == TKind::Http ? "http" : "ftp", root_, portFile_,
                                   std::to_string(port)};
#ifdef _WIN32
  script = UnixPath(script);
  args[1] = UnixPath(args[1]);
  args[2] = UnixPath(args[2]);
  if (script.empty() || args[1].empty() || args[2].empty()) {
    problem_ = "the test servers need Wine's Unix side (wine_get_unix_file_name)";
    return;
  }
  std::string command = "\"Z:\\usr\\bin\\python3\" \"" + script + "\"";
  for (const std::string& arg : args) command += " \"" + arg + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    problem_ = "cannot start " + command + ": error " + std::to_string(GetLastError());
    return;
  }
  // A Unix program comes without handles; those it has are not needed.
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
#else
  pid_t child = fork();
  if (child == 0) {
    execl("/usr/bin/python3", "python3", script.c_str(), args[0].c_str(), args[1].c_str(),
          args[2].c_str(), args[3].c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child < 0) {
    problem_ = "cannot start /usr/bin/python3";
    return;
  }
  process_ = child;
#endif
  auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string text = ReadText(portFile_);
    if (!text.empty()) {
      int announced = std::atoi(text.c_str());
      if (announced > 0)
        port_ = announced;
      else
        problem_ = "the server cannot listen on port " + std::to_string(port);
      return;
    }
#ifndef _WIN32
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      process_ = 0;
      problem_ = "the server script ended at its start (is python3-pyftpdlib installed?)";
      return;
    }
#endif
    std::this_thread::sleep_for(50ms);
  }
  problem_ = "the server did not tell its port within 30 s";
}

TTestServer::~TTestServer() {
  std::error_code ec;
  { std::ofstream(portFile_ + ".stop"); }
  auto deadline = std::chrono::steady_clock::now() + kStopLimit;
  while (fs::exists(portFile_, ec) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(50ms);
#ifndef _WIN32
  if (process_) {
    auto child = static_cast<pid_t>(process_);
    if (waitpid(child, nullptr, WNOHANG) != child) {
      if (fs::exists(portFile_, ec)) kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }
#endif
  fs::remove_all(root_, ec);
  for (const char* suffix : {"", ".stop", ".connections", ".tmp", ".connections.tmp"})
    fs::remove(portFile_ + suffix, ec);
}

void TTestServer::Put(const std::string& path, const std::string& content) const {
  fs::path target = fs::path(root_) / fs::path(path);
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  std::ofstream(target, std::ios::binary) << content;
}

int TTestServer::Connections() const {
  return std::atoi(ReadText(portFile_ + ".connections").c_str());
}

}  // namespace brim::test
