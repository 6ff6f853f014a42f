#include "session/InstallLog.h"

#include <cstdio>

#include "platform/CodePages.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "session/InstallSession.h"

namespace brim {

namespace {

const char* KindName(TLogKind kind) {
  switch (kind) {
    case TLogKind::Command: return "command";
    case TLogKind::Phase: return "phase";
    case TLogKind::File: return "file";
    case TLogKind::Registry: return "registry";
    case TLogKind::Shortcut: return "shortcut";
    case TLogKind::Font: return "font";
    case TLogKind::Registration: return "register";
    case TLogKind::Error: return "error";
    case TLogKind::Exit: return "exit";
    case TLogKind::Info: return "info";
  }
  return "info";
}

std::string TimeStamp() {
  TDateTimeParts t = DecodeDateTime(PlatformSystem().Now());
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                t.Hour, t.Minute, t.Second, t.Millisecond);
  return text;
}

}  // namespace

TInstallLog::TInstallLog() = default;
TInstallLog::~TInstallLog() = default;

bool TInstallLog::Open(const std::string& path) {
  file_ = PlatformFiles().Open(path, accWrite, shareRead, TFileCreation::CreateAlways);
  path_ = file_ ? path : std::string();
  return file_ != nullptr;
}

void TInstallLog::Write(TLogKind kind, const std::string& text) {
  if (!file_) return;
  std::string flat = text;
  for (char& c : flat)
    if (c == '\r' || c == '\n') c = ' ';
  // The text is in the machine's ANSI code page; the log is UTF-8 whatever
  // the language of the machine that reads it.
  std::string line = TimeStamp() + " " + KindName(kind);
  line.append(line.size() < 33 ? 33 - line.size() : 1, ' ');
  line += Utf8FromWide(PlatformSystem().WideFromAnsi(flat));
  line += "\r\n";
  uint32_t done = 0;
  // A log that cannot be written any more (a full disk) is given up, not
  // allowed to fail the installation it describes.
  if (!file_->Write(line.data(), static_cast<uint32_t>(line.size()), done) || done != line.size())
    Close();
}

void TInstallLog::Close() { file_.reset(); }

TInstallLog& InstallLog() { return CurrentSession().State<TInstallLog>(); }

void LogEvent(TLogKind kind, const std::string& text) {
  TInstallSession& session = CurrentSession();
  if (session.Ending()) return;
  if (TInstallLog* log = session.FindState<TInstallLog>(); log && log->IsOpen())
    log->Write(kind, text);
}

void LogError(const std::exception& error) { LogEvent(TLogKind::Error, MessageWithCause(error)); }

}  // namespace brim
