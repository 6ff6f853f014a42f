// INI text parsing and writing for the substitute machine.
#include "platform/posix/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/routines_Strings.h"

namespace brim {


TIniFile TIniFile::Parse(const std::string& text) {
  TIniFile ini;
  TSection* current = nullptr;
  for (const std::string& line : SplitLines(text)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      std::string name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = &ini.SectionForWrite(name);
      continue;
    }
    if (!current) continue;  // lines before the first section are ignored, as Windows does
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    current->Entries.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
  }
  return ini;
}

std::string TIniFile::Text() const {
  std::string out;
  for (const auto& s : sections_) {
    if (!out.empty()) out += "\r\n";
    out += "[" + s.Name + "]\r\n";
    for (const auto& [k, v] : s.Entries) out += k + "=" + v + "\r\n";
  }
  return out;
}

const TIniFile::TSection* TIniFile::Section(const std::string& name) const {
  for (const auto& s : sections_)
    if (SameText(s.Name, name)) return &s;
  return nullptr;
}

TIniFile::TSection& TIniFile::SectionForWrite(const std::string& name) {
  for (auto& s : sections_)
    if (SameText(s.Name, name)) return s;
  sections_.push_back({name, {}});
  return sections_.back();
}

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const {
  const TSection* s = Section(section);
  if (!s) return std::nullopt;
  for (const auto& [k, v] : s->Entries)
    if (SameText(k, key)) return v;
  return std::nullopt;
}

void TIniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
  TSection& s = SectionForWrite(section);
  for (auto& [k, v] : s.Entries)
    if (SameText(k, key)) {
      v = value;
      return;
    }
  s.Entries.emplace_back(key, value);
}

void TIniFile::Append(const std::string& section, const std::string& key, const std::string& value) {
  SectionForWrite(section).Entries.emplace_back(key, value);
}

void TIniFile::EraseKey(const std::string& section, const std::string& key) {
  for (auto& s : sections_)
    if (SameText(s.Name, section))
      std::erase_if(s.Entries, [&](const auto& e) { return SameText(e.first, key); });
}

void TIniFile::EraseSection(const std::string& section) {
  std::erase_if(sections_, [&](const TSection& s) { return SameText(s.Name, section); });
}

std::optional<std::string> ReadHostFile(const std::string& hostPath) {
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      if (n < 0) return std::nullopt;
      return data;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
}

namespace {
THostWriteHook& WriteHook() {
  static THostWriteHook hook;
  return hook;
}
}  // namespace

void SetHostWriteHook(THostWriteHook hook) { WriteHook() = std::move(hook); }

bool WriteHostFileAtomically(const std::string& hostPath, const std::string& data) {
  const THostWriteHook& hook = WriteHook();
  // A hook may stop the write here; it stops as a full disk does.
  auto stopped = [&](size_t written) {
    if (!hook || hook(hostPath, written, data.size())) return false;
    errno = ENOSPC;
    return true;
  };
  std::string tmp = hostPath + ".tmp" + std::to_string(getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = -1;
    if (!stopped(done)) {
      size_t part = hook ? std::min(data.size() - done, kHostWritePart) : data.size() - done;
      n = ::write(fd, data.data() + done, part);
    }
    if (n <= 0) {
      int error = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      errno = error;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 || stopped(done) || std::rename(tmp.c_str(), hostPath.c_str()) != 0) {
    int error = errno;
    ::unlink(tmp.c_str());
    errno = error;
    return false;
  }
  return true;
}

}  // namespace brim
