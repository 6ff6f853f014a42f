// TOpenFolderDialog: the folder browser that the destination page's Browse
// button opens. The front end shows the browser (on win32 the shell's, with
// an added create-folder button and path edit); this component turns how
// the browser ended into the chosen folder: a typed path is made with its
// missing parents, and a browser closed to make a new folder is opened
// again on it.
#pragma once

#include <string>

#include "objects/TComponent.h"

namespace brim {

class TOpenFolderDialog : public TComponent {
  BRIM_CLASS(TOpenFolderDialog)

 public:
  explicit TOpenFolderDialog(TComponent* owner) : TComponent(owner) {}

  // In: the folder to preselect; out: the chosen folder.
  std::string Directory;
  // Add the button that makes a new folder.
  bool ShowCreateButton = true;
  // Add the edit box where a path can be typed.
  bool ShowPathEdit = true;

  // Runs the browser until it ends without a request to reopen: true when
  // the user chose a folder, which is then in Directory. A typed folder
  // that cannot be made counts as not chosen; Directory then stays as it was.
  bool Execute();
};

}  // namespace brim
