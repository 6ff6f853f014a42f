// TStrings / TStringList: lines of text, streamed as the extra property
// "Strings" (a list of strings, one per line; empty lines kept).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "objects/TComponent.h"

namespace brim {

class TStrings : public TPersistent {
  BRIM_CLASS(TStrings)

 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Strings(int i) const { return lines_.at(i); }
  void SetStrings(int i, const std::string& s);
  const std::vector<std::string>& Lines() const { return lines_; }

  int Add(const std::string& s);
  // Appends every line of another list (one change).
  void AddStrings(const TStrings& strings);
  void Insert(int i, const std::string& s);
  // Virtual so that a list whose contents mean something (a language's
  // string table) can take a deletion differently from other changes.
  virtual void Delete(int i);
  // Moves the line at cur so that it stands at index to.
  void Move(int cur, int to);
  void Clear();
  // First line equal to s ignoring A-Z case, or -1.
  int IndexOf(const std::string& s) const;

  // The lines joined by CR LF, each line ended by one; setting splits at
  // CR LF, LF or CR.
  std::string Text() const;
  void SetText(const std::string& text);
  // The lines joined by a separator without a trailing one.
  std::string Join(const std::string& separator) const;

  // "Name=Value" lines.
  std::string Names(int i) const;
  std::string Values(const std::string& name) const;
  void SetValues(const std::string& name, const std::string& value);
  int IndexOfName(const std::string& name) const;

  void Assign(const TPersistent& source) override;
  bool operator==(const TStrings& o) const { return lines_ == o.lines_; }

  // Called after every change.
  std::function<void(TStrings&)> OnChange;

 protected:
  // Runs after every change; a list that keeps something built from its
  // lines rebuilds it here.
  virtual void Changed();
  std::vector<std::string> lines_;
};

class TStringList : public TStrings {
  BRIM_CLASS(TStringList)
};

}  // namespace brim
