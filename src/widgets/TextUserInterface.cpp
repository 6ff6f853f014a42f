#include "widgets/TextUserInterface.h"

#include "common/Format.h"
#include "common/routines_Strings.h"
#include "platform/CodePages.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

namespace brim {

namespace {

// A caption as the user reads it: "&Next >" is "Next >", "&&" one "&".
std::string WithoutAccel(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    out += caption[i];
  }
  return out;
}

// Calls visit for every visible control inside parent, in the order they
// were placed, parents before their children.
template <class Visit>
void ForEachVisible(const TWinControl& parent, Visit&& visit) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (!c->Visible) continue;
    visit(*c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) ForEachVisible(*w, visit);
  }
}

// The outermost form a form is hosted in (itself when it is not hosted).
TCustomForm& HostForm(TCustomForm& form) {
  TCustomForm* top = &form;
  for (TWinControl* p = form.Parent(); p; p = p->Parent())
    if (auto* f = dynamic_cast<TCustomForm*>(p)) top = f;
  return *top;
}

// The visible form hosted deepest inside parent (counting nested forms).
void DeepestHostedForm(const TWinControl& parent, int depth, TCustomForm*& found, int& foundDepth) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    auto* w = dynamic_cast<TWinControl*>(parent.Controls(i));
    if (!w || !w->Visible) continue;
    int inner = depth;
    if (auto* f = dynamic_cast<TCustomForm*>(w); f && ++inner > foundDepth) {
      found = f;
      foundDepth = inner;
    }
    DeepestHostedForm(*w, inner, found, foundDepth);
  }
}

std::string NameOf(const TControl& control) { return ControlDisplayName(control); }

// A text of a control as the console shows it: UTF-8, from the code page
// of the control's font; and a typed UTF-8 text for the control, back in it.
std::string Shown(const TControl& control, const std::string& text) {
  return Utf8FromCharset(text, control.Font().Charset);
}
std::string Typed(const TControl& control, const std::string& text) {
  return CharsetFromUtf8(text, control.Font().Charset);
}

// The form whose caption a page is known by (see PageCaption).
TCustomForm& PageForm(TCustomForm& form) {
  TCustomForm* found = &form;
  int depth = 0;
  DeepestHostedForm(form, 0, found, depth);
  return *found;
}

// A caption as the user reads it, in UTF-8.
std::string ShownCaption(const TControl& control) { return WithoutAccel(Shown(control, control.Caption)); }

}  // namespace

std::string PageCaption(TCustomForm& form) { return PageForm(form).Caption; }

int ProgressPercent(const TProgressBar& bar) {
  if (bar.Max() <= bar.Min()) return 0;
  long long done = static_cast<long long>(bar.Position()) - bar.Min();
  return static_cast<int>(done * 100 / (static_cast<long long>(bar.Max()) - bar.Min()));
}

std::string ProgressLine(const TProgressBar& bar) {
  int percent = ProgressPercent(bar);
  int filled = percent / 5;
  return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(20 - filled), ' ') +
         Format("] %3d%%", percent);
}

TPageView DescribePage(TCustomForm& form, bool numbered) {
  TPageView view;
  view.Caption = Shown(PageForm(form), PageCaption(form));
  std::string& text = view.Text;
  text = "--- " + view.Caption + " ---\n";
  TButton* answer = form.AnswerButton();
  std::string buttons;
  auto number = [&](TControl& control, int entry) {
    view.Choices.push_back({&control, entry});
    return std::to_string(view.Choices.size());
  };
  auto entries = [&](TListControl& list) {
    for (int i = 0; i < list.Items.Count(); ++i)
      text += std::string(i == list.ItemIndex() ? " > " : "   ") + number(list, i) + " " +
              Shown(list, list.Items.Strings(i)) + "\n";
  };
  // The buttons go on one line after the texts.
  std::vector<TButton*> found;
  ForEachVisible(form, [&](TControl& c) {
    if (auto* b = dynamic_cast<TButton*>(&c)) {
      found.push_back(b);
    } else if (auto* label = dynamic_cast<TCustomLabel*>(&c)) {
      if (!label->Caption.empty())
        text += (label->ShowAccelChar ? ShownCaption(*label) : Shown(*label, label->Caption)) + "\n";
    } else if (auto* edit = dynamic_cast<TEdit*>(&c)) {
      text += NameOf(*edit) + ": [" + Shown(*edit, edit->Text()) + "]\n";
    } else if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
      text += NameOf(*combo) + ": [" + Shown(*combo, combo->Text()) + "]\n";
      entries(*combo);
    } else if (auto* list = dynamic_cast<TListControl*>(&c)) {
      text += NameOf(*list) + ":\n";
      entries(*list);
    } else if (auto* memo = dynamic_cast<TCustomMemo*>(&c)) {
      for (const std::string& line : memo->Lines.Lines()) text += Shown(*memo, line) + "\n";
    } else if (auto* check = dynamic_cast<TCheckBox*>(&c)) {
      text += std::string(check->Checked() ? "[x] " : "[ ] ") + ShownCaption(*check) + "\n";
    } else if (auto* radio = dynamic_cast<TRadioButton*>(&c)) {
      text += std::string(radio->Checked() ? "(o) " : "( ) ") + ShownCaption(*radio) + "\n";
    } else if (auto* bar = dynamic_cast<TProgressBar*>(&c)) {
      if (!view.Bar) view.Bar = bar;
    } else if (dynamic_cast<TCustomForm*>(&c)) {
      // A hosted page is part of this one: its caption heads the text.
    } else if ((dynamic_cast<TGroupBox*>(&c) || dynamic_cast<TCustomPanel*>(&c) || c.PaintsItself()) &&
               !c.Caption.empty()) {
      text += ShownCaption(c) + "\n";
    }
  });
  for (TButton* b : found) {
    if (!buttons.empty()) buttons += " ";
    std::string caption = ShownCaption(*b);
    if (!b->Enabled) {
      buttons += "(" + caption + ")";
      continue;
    }
    if (numbered) buttons += number(*b, -1) + " ";
    buttons += "[" + caption + "]" + (b == answer ? "*" : "");
  }
  if (!buttons.empty()) text += buttons + "\n";
  return view;
}

TControl* FindPageControl(TCustomForm& form, const std::string& name) {
  TControl* found = nullptr;
  ForEachVisible(form, [&](TControl& c) {
    if (!found && !c.Name().empty() && SameText(c.Name(), name)) found = &c;
  });
  return found;
}

TButton* FindPageButton(TCustomForm& form, const std::string& nameOrCaption) {
  TButton* byName = nullptr;
  TButton* byCaption = nullptr;
  std::string wanted = Trim(nameOrCaption);
  ForEachVisible(form, [&](TControl& c) {
    auto* b = dynamic_cast<TButton*>(&c);
    if (!b) return;
    if (!byName && !b->Name().empty() && SameText(b->Name(), wanted)) byName = b;
    if (!byCaption && SameText(Trim(ShownCaption(*b)), wanted)) byCaption = b;
  });
  return byName ? byName : byCaption;
}

// ---- Writing forms ----

TPageView TTextUserInterface::ShowForm(TCustomForm& shownForm) {
  TCustomForm& form = HostForm(shownForm);
  TPageView view = DescribePage(form, numbered_);
  TShown& shown = shown_[&form];
  if (view.Text != shown.Text) {
    shown.Text = view.Text;
    console_.Write(view.Text);
  }
  if (bars_ && view.Bar) {
    int percent = ProgressPercent(*view.Bar);
    if (percent != shown.Percent) {
      shown.Percent = percent;
      console_.Write(ProgressLine(*view.Bar) + "\n");
    }
  }
  return view;
}

bool TTextUserInterface::PressAnswerButton(TCustomForm& form, int presses) {
  // Each press may move to another page with its own answer. A form that
  // no number of presses ends would hang an unattended run: cancel it.
  TButton* answer = form.AnswerButton();
  if (!answer || presses > 1000) {
    form.ModalResult = mrCancel;
    return false;
  }
  answer->Click();
  return true;
}

// ---- Script ----

TScriptUserInterface::TScriptUserInterface(TAnswerScript* script, TTextConsole console)
    : TScriptUserInterface(std::function<TAnswerScript*()>([script] { return script; }), std::move(console)) {}

TScriptUserInterface::TScriptUserInterface(std::function<TAnswerScript*()> script, TTextConsole console)
    : TTextUserInterface(std::move(console), false, false), script_(std::move(script)) {}

void TScriptUserInterface::RunModal(TCustomForm& form) {
  for (int presses = 0; form.ModalResult == mrNone; ++presses) {
    ShowForm(form);
    TAnswerScript* script = script_();
    if (script && !script->AtEnd() && presses <= 1000) AnswerBlock(form, *script);
    else if (!PressAnswerButton(form, presses)) break;
  }
}

TFolderBrowserResult TScriptUserInterface::BrowseForFolder(const TFolderBrowserOptions& options) {
  // Paths are in the system's code page.
  console_.Write("Browse for Folder: " + Utf8FromCharset(options.Directory, charsetDefault) + "\n");
  TFolderBrowserResult result;
  TAnswerScript* script = script_();
  std::string chosen;
  if (script && script->Next() && script->Next()->Action == "folder") {
    result.Chosen = true;
    chosen = script->Take().Value;
    result.Path = result.CurrentPath = CharsetFromUtf8(chosen, charsetDefault);
  }
  console_.Write("Browse for Folder: " + (result.Chosen ? "chose " + chosen : std::string("cancelled")) + "\n");
  return result;
}

void TScriptUserInterface::AnswerBlock(TCustomForm& form, TAnswerScript& script) {
  if (script.Next()->Action == "box" || script.Next()->Action == "folder") Apply(form, script, script.Take());
  if (script.Next()->Action == "page") {
    const TAnswerLine& line = script.Take();
    std::string caption = PageCaption(form);
    if (!SameText(Trim(ShownCaption(PageForm(form))), Trim(line.Value)) &&
        !SameText(Trim(ShownCaption(form)), Trim(line.Value)))
      throw EAnswerScript("The page \"%s\" is shown where %s expects \"%s\"", caption, script.Where(line),
                          line.Value);
  }
  while (const TAnswerLine* next = script.Next()) {
    if (next->Action == "page") break;
    const TAnswerLine& line = script.Take();
    Apply(form, script, line);
    if (line.Action == "press" || line.Action == "cancel") return;
  }
  // The block pressed nothing: the page's answer button ends it.
  PressAnswerButton(form, 0);
}

void TScriptUserInterface::Apply(TCustomForm& form, TAnswerScript& script, const TAnswerLine& line) {
  std::string page = PageCaption(form);
  if (line.Action == "box" || line.Action == "folder")
    throw EAnswerScript("No %s is shown but the page \"%s\" where %s answers one",
                        line.Action == "box" ? "message box" : "folder browser", page, script.Where(line));
  if (line.Action == "press") {
    TButton* button = FindPageButton(form, line.Value);
    if (!button)
      throw EAnswerScript("The page \"%s\" has no button \"%s\" (%s)", page, line.Value, script.Where(line));
    if (!button->Enabled)
      throw EAnswerScript("The button \"%s\" of the page \"%s\" is disabled (%s)", line.Value, page,
                          script.Where(line));
    button->Click();
    return;
  }
  if (line.Action == "cancel") {
    TButton* cancel = nullptr;
    ForEachVisible(form, [&](TControl& c) {
      auto* b = dynamic_cast<TButton*>(&c);
      if (!cancel && b && b->Enabled && b->Cancel) cancel = b;
    });
    if (!cancel)
      throw EAnswerScript("The page \"%s\" has no cancel button (%s)", page, script.Where(line));
    cancel->Click();
    return;
  }
  TControl* control = FindPageControl(form, line.Target);
  if (!control)
    throw EAnswerScript("The page \"%s\" has no control \"%s\" (%s)", page, line.Target, script.Where(line));
  auto misfit = [&] {
    return EAnswerScript("\"%s\" does not fit %s, a %s on the page \"%s\" (%s)", line.Action,
                         NameOf(*control), control->ClassName(), page, script.Where(line));
  };
  if (!control->Enabled)
    throw EAnswerScript("The control %s of the page \"%s\" is disabled (%s)", NameOf(*control), page,
                        script.Where(line));
  if (line.Action == "set") {
    if (auto* edit = dynamic_cast<TEdit*>(control)) edit->SetText(Typed(*edit, line.Value));
    else if (auto* combo = dynamic_cast<TComboBox*>(control)) combo->SetText(Typed(*combo, line.Value));
    else throw misfit();
  } else if (line.Action == "pick") {
    auto* list = dynamic_cast<TListControl*>(control);
    if (!list) throw misfit();
    int index = -1;
    for (int i = 0; i < list->Items.Count() && index < 0; ++i)
      if (SameText(Shown(*list, list->Items.Strings(i)), line.Value)) index = i;
    if (index < 0)
      throw EAnswerScript("The list %s of the page \"%s\" has no entry \"%s\" (%s)", NameOf(*list), page,
                          line.Value, script.Where(line));
    list->SetItemIndex(index);
    if (list->OnClick) list->OnClick(list);
  } else if (line.Action == "check") {
    bool on = SameText(line.Value, "on");
    if (auto* check = dynamic_cast<TCheckBox*>(control)) check->SetChecked(on);
    else if (auto* radio = dynamic_cast<TRadioButton*>(control)) radio->SetChecked(on);
    else throw misfit();
    if (control->OnClick) control->OnClick(control);
  }
}

// ---- Console ----

TConsoleUserInterface::TConsoleUserInterface(TTextConsole console)
    : TTextUserInterface(std::move(console), true, true) {}

void TConsoleUserInterface::RunModal(TCustomForm& form) {
  for (int presses = 0; form.ModalResult == mrNone;) {
    TPageView view = ShowForm(form);
    if (inputEnded_ || !console_.ReadLine) {
      if (!PressAnswerButton(form, presses++)) break;
      continue;
    }
    TButton* answer = form.AnswerButton();
    console_.Write(answer ? "Answer [" + ShownCaption(*answer) + "]? " : "Answer? ");
    std::optional<std::string> line = console_.ReadLine();
    if (!line) {
      inputEnded_ = true;
      continue;
    }
    if (Trim(*line).empty()) {
      // Enter answers the page as its default button would.
      if (answer) answer->Click();
      continue;
    }
    std::string complaint = ApplyConsoleInput(form, view, *line);
    if (!complaint.empty()) console_.Write(complaint + "\n");
  }
}

TFolderBrowserResult TConsoleUserInterface::BrowseForFolder(const TFolderBrowserOptions& options) {
  TFolderBrowserResult result;
  console_.Write("Browse for Folder [" + Utf8FromCharset(options.Directory, charsetDefault) + "]? ");
  std::optional<std::string> line = inputEnded_ || !console_.ReadLine ? std::nullopt : console_.ReadLine();
  if (!line) {
    inputEnded_ = true;
    console_.Write("\n");
    return result;
  }
  result.Chosen = true;
  result.Path = result.CurrentPath =
      Trim(*line).empty() ? options.Directory : CharsetFromUtf8(Trim(*line), charsetDefault);
  return result;
}

std::string TConsoleUserInterface::ApplyConsoleInput(TCustomForm& form, const TPageView& view,
                                                     const std::string& input) {
  std::string typed = Trim(input);
  long long n = 0;
  if (TryStrToInt64(typed, n)) {
    if (n < 1 || n > static_cast<long long>(view.Choices.size()))
      return Format("There is no number %s on the page \"%s\"", typed, view.Caption);
    const TPageChoice& choice = view.Choices[static_cast<size_t>(n - 1)];
    if (auto* list = dynamic_cast<TListControl*>(choice.Control)) {
      list->SetItemIndex(choice.Entry);
      if (list->OnClick) list->OnClick(list);
    } else if (auto* button = dynamic_cast<TButton*>(choice.Control)) {
      button->Click();
    }
    return "";
  }
  if (TButton* button = FindPageButton(form, typed)) {
    if (!button->Enabled) return Format("The button \"%s\" is disabled", typed);
    button->Click();
    return "";
  }
  if (size_t equals = typed.find('='); equals != std::string::npos) {
    std::string name = Trim(typed.substr(0, equals));
    // The value as typed after the "=", spaces inside kept.
    std::string value = Trim(input.substr(input.find('=') + 1));
    TControl* control = FindPageControl(form, name);
    if (auto* edit = dynamic_cast<TEdit*>(control); edit && edit->Enabled) {
      edit->SetText(Typed(*edit, value));
      return "";
    }
    if (auto* combo = dynamic_cast<TComboBox*>(control); combo && combo->Enabled) {
      combo->SetText(Typed(*combo, value));
      return "";
    }
    return Format("There is no edit \"%s\" on the page \"%s\"", name, view.Caption);
  }
  return Format("There is no button \"%s\" on the page \"%s\"", typed, view.Caption);
}

}  // namespace brim
