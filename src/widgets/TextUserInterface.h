// The front ends that show forms as text: the script front end
// (BRIMWELL_UI=script:FILE, and auto, which is a script with no
// statements) and the console front end (BRIMWELL_UI=console). Both write
// each page as a person would see it, from the widget tree only: the
// caption, then the visible controls in the order they were placed on
// their parents (labels, edits as `NAME: [text]`, list boxes with
// numbered entries, memo and rich-text lines, check boxes), then the
// buttons on one line with the answer button marked:
//
//   --- Choose Destination Location ---
//   Setup will install Demo in the following folder.
//   edDestDir: [C:\Apps\Demo]
//   [< Previous] [Next >]* [Cancel]
//
// Texts are written in UTF-8, each converted from the code page of its
// control's font (a Japanese page from Shift-JIS); what the user types or
// the script sets is UTF-8 and goes into an edit in the edit's code page.
// A page is written again only when its text changed. Modeless forms
// (progress, status) are written the same way whenever FormChanged brings
// a new text; the console adds a text progress bar when the bar's percent
// changes. The answer script's format is described in
// platform/AnswerScript.h.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/AnswerScript.h"
#include "platform/TextMessageBox.h"
#include "widgets/UserInterface.h"

namespace brim {

class TButton;
class TControl;
class TListControl;
class TProgressBar;

// Something on a page the console user chooses by number: a list entry
// or a button.
struct TPageChoice {
  TControl* Control = nullptr;
  int Entry = -1;  // the list entry; -1 for a button
};

// A page as text.
struct TPageView {
  std::string Caption;               // see PageCaption; in UTF-8
  std::string Text;                  // the page written out in UTF-8, lines ended by \n
  std::vector<TPageChoice> Choices;  // Choices[n - 1] is number n
  TProgressBar* Bar = nullptr;       // the first visible progress bar
};

// The caption a page is known by: that of the visible form hosted deepest
// inside form (a wizard page in its container), else the form's own.
std::string PageCaption(TCustomForm& form);

// Writes the page. With numbered, buttons carry their numbers too (list
// entries always do), for a user who answers by number.
TPageView DescribePage(TCustomForm& form, bool numbered = false);

// A visible control of the page by name (ignoring case), or null.
TControl* FindPageControl(TCustomForm& form, const std::string& name);
// A visible button of the page by name or by its caption without the &
// (ignoring case; the caption as the page shows it, in UTF-8), or null.
TButton* FindPageButton(TCustomForm& form, const std::string& nameOrCaption);
// The percent a progress bar shows, 0 to 100.
int ProgressPercent(const TProgressBar& bar);
// A line such as "[##########          ]  50%".
std::string ProgressLine(const TProgressBar& bar);

// What the text front ends share: writing forms when their text changes.
class TTextUserInterface : public IUserInterface {
 public:
  void FormShown(TCustomForm& form) override { ShowForm(form); }
  void FormHidden(TCustomForm& form) override { shown_.erase(&form); }
  void FormChanged(TCustomForm& form) override { ShowForm(form); }
  void FormDestroyed(TCustomForm& form) override { shown_.erase(&form); }

 protected:
  TTextUserInterface(TTextConsole console, bool numbered, bool bars)
      : console_(std::move(console)), numbered_(numbered), bars_(bars) {}
  // Writes the form (a hosted page: the form hosting it) when its text
  // differs from the text last written for it, and with bars its progress
  // line when the percent changed. Returns the page as it is now.
  TPageView ShowForm(TCustomForm& form);
  // Presses the answer button as an unattended run does; false when there
  // is none or the form has been answered too often (the form is then
  // cancelled).
  static bool PressAnswerButton(TCustomForm& form, int presses);

  TTextConsole console_;

 private:
  struct TShown {
    std::string Text;
    int Percent = -1;
  };
  bool numbered_;
  bool bars_;
  std::map<const TCustomForm*, TShown> shown_;
};

// BRIMWELL_UI=script:FILE and auto: each modal page is written to the
// console, then answered by the script's next block (see AnswerScript.h);
// once the script has no more statements, or without a script (auto), by
// the page's answer button. A page the block does not expect, a control
// the page does not have, or a statement that does not fit the control is
// an EAnswerScript naming the script's line.
class TScriptUserInterface : public TTextUserInterface {
 public:
  // script may be null: auto.
  TScriptUserInterface(TAnswerScript* script, TTextConsole console);
  // The script is asked for the first time a page needs it (the
  // program's script is read then, and a script it cannot read fails the
  // page, not the start).
  TScriptUserInterface(std::function<TAnswerScript*()> script, TTextConsole console);

  void RunModal(TCustomForm& form) override;
  // A "folder PATH" statement next in the script chooses PATH; otherwise
  // (and under auto) the browser is cancelled, as nobody is there.
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions& options) override;

 private:
  // Takes and carries out the next block of the script on the form.
  void AnswerBlock(TCustomForm& form, TAnswerScript& script);
  void Apply(TCustomForm& form, TAnswerScript& script, const TAnswerLine& line);

  std::function<TAnswerScript*()> script_;
};

// BRIMWELL_UI=console: each modal page is written with numbers, then the
// user types a button's caption, name or number, NAME=text to change an
// edit, or a list entry's number to pick it; an empty line presses the
// answer button. At the end of the input the rest is answered as auto.
class TConsoleUserInterface : public TTextUserInterface {
 public:
  explicit TConsoleUserInterface(TTextConsole console);

  void RunModal(TCustomForm& form) override;
  // Asks for the folder's path: Enter keeps the one shown, a typed path is
  // chosen, the end of the input cancels.
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions& options) override;
  // Carries out one typed line on the page; returns what to tell the user
  // when the line names nothing on it (empty when it did something).
  static std::string ApplyConsoleInput(TCustomForm& form, const TPageView& view,
                                       const std::string& input);

 private:
  bool inputEnded_ = false;
};

}  // namespace brim
