// The shell's folder browser (SHBrowseForFolderA), with a create-folder
// button and a path edit added to it while it opens. COM is to be
// initialised on the calling thread before it is shown.
#pragma once

#include <optional>

#include "platform/ComService.h"

namespace brim {

// Shows the browser, modal to the active window, and returns how it ended.
std::optional<TFolderBrowserResult> ShowFolderBrowser(const TFolderBrowserOptions& options);

}  // namespace brim
