// The wizard window of a page phase: a dialog on whose DisplayPanel the
// pages of the current dialog manager are placed, one at a time, in Order.
// The hidden tab strip Tabs holds one tab per page; its tab index is the
// index of the current page. Back, Next and Cancel come from the pages'
// buttons; the window refuses to close unless the phase is finishing or
// cancelled.
#pragma once

#include <vector>

#include "dialogs/ordlg_TBaseInstallForm.h"
#include "widgets/ComCtrls.h"
#include "widgets/ExtCtrls.h"

namespace brim {

class TBaseFormContainer : public TForm {
  BRIM_CLASS(TBaseFormContainer)

 public:
  static constexpr const char* ResourceName = "TBASEFORMCONTAINER";

  explicit TBaseFormContainer(TComponent* owner);

  TPanel* DisplayPanel() const { return dynamic_cast<TPanel*>(FindComponent("DisplayPanel")); }
  TTabControl* Tabs() const { return dynamic_cast<TTabControl*>(FindComponent("Tabs")); }

  // Makes the pages of the current dialog manager and sorts them by
  // Order; returns their number. Fails with "The current dialog manager is
  // not defined" outside a page phase.
  int BuildPages();
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TBaseInstallForm* Pages(int index) const { return pages_.at(index); }
  int IndexOfPage(const TBaseInstallForm* page) const;
  // The index of the page shown, -1 before the first.
  int CurrentIndex() const;
  TBaseInstallForm* CurrentPage() const;

  // Activates the page at index, or the next one in the direction that is
  // not skipped; false when there is none.
  bool GoTo(int index, bool forward);
  // Shows the first page that is not skipped.
  void OpenFirstPage();
  // The page's Next: the next page that is not skipped, else the end of
  // the phase with OK.
  void NextPage();
  // The page's Back: the previous page that is not skipped.
  void PreviousPage();
  // The phase ends with OK.
  bool Finishing() const { return finishing_; }

  // The current page's answer.
  TButton* AnswerButton() override;
  // A new size moves every page onto the display panel.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  // Puts each page on the display panel's rectangle.
  void FitPages();
  void FormCreated();

 private:
  void FormClose(TCloseAction& action);

  std::vector<TBaseInstallForm*> pages_;
  bool finishing_ = false;
  // The window's frame around the display panel, as designed.
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
};

}  // namespace brim
