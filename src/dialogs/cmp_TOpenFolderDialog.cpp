#include "dialogs/cmp_TOpenFolderDialog.h"

#include "common/exceptions_Brimwell.h"
#include "components/cmp_TVersion.h"
#include "widgets/UserInterface.h"

namespace brim {

const TClassInfo& TOpenFolderDialog::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TOpenFolderDialog>("TOpenFolderDialog", &TComponent::StaticClass()).Build();
  return info;
}

namespace {

// Makes a folder with its missing parents; false when it cannot be made
// (an empty path included), which the browser does not report.
bool MakeFolder(const std::string& path) {
  try {
    return CreateDirectoryPath(path);
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

bool TOpenFolderDialog::Execute() {
  for (;;) {
    TFolderBrowserOptions options;
    options.Directory = Directory;
    options.ShowCreateButton = ShowCreateButton;
    options.ShowPathEdit = ShowPathEdit;
    TFolderBrowserResult result = UserInterface().BrowseForFolder(options);
    // A folder was made from inside the browser: show it again, on the new folder.
    if (result.RecreateRequested) {
      Directory = result.CurrentPath;
      continue;
    }
    if (!result.Chosen) return false;
    if (ShowPathEdit) {
      // What the edit shows may be a typed path that does not exist yet.
      if (!MakeFolder(result.CurrentPath)) return false;
      Directory = result.CurrentPath;
    } else {
      Directory = result.Path;
    }
    return true;
  }
}

}  // namespace brim
