#include "objects/TStrings.h"

#include "common/routines_Strings.h"

namespace brim {

const TClassInfo& TStrings::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStrings>("TStrings", &TPersistent::StaticClass())
          .Custom(
              "Strings",
              [](const TStrings& s, TValue& v) {
                if (s.lines_.empty()) return false;
                v.Tag = TValueTag::vaList;
                for (const auto& line : s.lines_) v.List.push_back(TValue::String(line));
                return true;
              },
              [](TStrings& s, const TValue& v) {
                s.lines_.clear();
                for (const auto& item : v.List) s.lines_.push_back(item.AsAnsi());
                s.Changed();
              })
          .Build();
  return info;
}

const TClassInfo& TStringList::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStringList>("TStringList", &TStrings::StaticClass()).Build();
  return info;
}

void TStrings::Changed() {
  if (OnChange) OnChange(*this);
}

void TStrings::SetStrings(int i, const std::string& s) {
  lines_.at(i) = s;
  Changed();
}

int TStrings::Add(const std::string& s) {
  lines_.push_back(s);
  Changed();
  return Count() - 1;
}

void TStrings::AddStrings(const TStrings& strings) {
  if (strings.lines_.empty()) return;
  // A copy first: a list may add itself.
  std::vector<std::string> added = strings.lines_;
  lines_.insert(lines_.end(), added.begin(), added.end());
  Changed();
}

void TStrings::Insert(int i, const std::string& s) {
  if (i < 0 || i > Count()) throw EComponentError("List index out of bounds (%d)", i);
  lines_.insert(lines_.begin() + i, s);
  Changed();
}

void TStrings::Delete(int i) {
  if (i < 0 || i >= Count()) throw EComponentError("List index out of bounds (%d)", i);
  lines_.erase(lines_.begin() + i);
  Changed();
}

void TStrings::Move(int cur, int to) {
  if (cur < 0 || cur >= Count()) throw EComponentError("List index out of bounds (%d)", cur);
  if (to < 0 || to >= Count()) throw EComponentError("List index out of bounds (%d)", to);
  if (cur == to) return;
  std::string line = std::move(lines_[cur]);
  lines_.erase(lines_.begin() + cur);
  lines_.insert(lines_.begin() + to, std::move(line));
  Changed();
}

void TStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  Changed();
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(lines_[i], s)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string t;
  for (const auto& l : lines_) t += l + "\r\n";
  return t;
}

void TStrings::SetText(const std::string& text) {
  lines_.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t e = text.find_first_of("\r\n", i);
    if (e == std::string::npos) {
      lines_.push_back(text.substr(i));
      break;
    }
    lines_.push_back(text.substr(i, e - i));
    i = e + 1;
    if (text[e] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
  Changed();
}

std::string TStrings::Join(const std::string& separator) const {
  std::string t;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) t += separator;
    t += lines_[i];
  }
  return t;
}

std::string TStrings::Names(int i) const {
  const std::string& l = lines_.at(i);
  size_t eq = l.find('=');
  return eq == std::string::npos ? std::string() : l.substr(0, eq);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    size_t eq = lines_[i].find('=');
    if (eq != std::string::npos && SameText(lines_[i].substr(0, eq), name)) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : lines_[i].substr(lines_[i].find('=') + 1);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) Add(name + "=" + value);
  else SetStrings(i, name + "=" + value);
}

void TStrings::Assign(const TPersistent& source) {
  auto* src = dynamic_cast<const TStrings*>(&source);
  if (!src) throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  lines_ = src->lines_;
  Changed();
}

}  // namespace brim
