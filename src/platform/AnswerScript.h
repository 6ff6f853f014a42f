// The answer file of BRIMWELL_UI=script:FILE: what a person would have
// done on each page and in each message box, in the order it happens. One
// reader serves both: the pages take their blocks from it (the widget
// layer's script front end) and a message box takes a "box" line when it
// is the next one.
//
// The format, one statement a line; blank lines and lines starting with #
// are skipped, and the text after an action's first word (or after its
// control name) is taken as it is, spaces included:
//
//   page Choose Destination Location   the caption the next page must have
//   set edDestDir C:\Apps\Demo         an edit's text, by control name
//   pick FolderListBox Accessories     a list entry, by its text
//   check cbReadme on                  a check box or radio button: on or off
//   press ProceedBtn                   a button, by name or by its caption
//                                      without the & (press Next >)
//   cancel                             the page's cancel button
//   box Yes                            the answer of the next message box,
//                                      by its button's caption or number
//   folder C:\Apps\Other               the folder the next folder browser
//                                      returns
//
// A page block starts with a page line or with the first statement after
// the previous block, and ends after its press or cancel (or before the
// next page line): a block that presses nothing is answered by the page's
// answer button.
#pragma once

#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"

namespace brim {

BRIM_EXCEPTION_CLASS(EAnswerScript, Exception);

struct TAnswerLine {
  int Line = 0;         // in the file, from 1
  std::string Action;   // page, set, pick, check, press, cancel, box, folder (lower case)
  std::string Target;   // the control of set, pick and check
  std::string Value;    // the rest: a caption, a text, an entry, on/off, a button
};

class TAnswerScript {
 public:
  TAnswerScript() = default;
  // Reads the statements of text; file names the script in messages. An
  // unknown action or a statement without what it needs is an error
  // naming the line.
  TAnswerScript(const std::string& text, std::string file);
  // Reads the script from a file of the host.
  static TAnswerScript Load(const std::string& file);

  const std::string& File() const { return file_; }
  // The next statement not yet taken, or null at the end.
  const TAnswerLine* Next() const { return next_ < lines_.size() ? &lines_[next_] : nullptr; }
  // Takes the next statement (there must be one).
  const TAnswerLine& Take() { return lines_.at(next_++); }
  bool AtEnd() const { return next_ >= lines_.size(); }
  // "line N of the answer script FILE", for messages.
  std::string Where(const TAnswerLine& line) const;

 private:
  std::string file_;
  std::vector<TAnswerLine> lines_;
  size_t next_ = 0;
};

// The script that BRIMWELL_UI=script:FILE names, read once for the whole
// program; a script that cannot be read throws each time it is asked for.
TAnswerScript& ProgramAnswerScript();

}  // namespace brim
