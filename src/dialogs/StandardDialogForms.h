// The standard dialog forms' place in the form registries, made once at
// program start: every standard page form registers a default entry for
// its phase, and the copy progress form one for the copy phase; then the
// modules of the dialog components withdraw the default entry of the form
// they drive, so those pages show only through a component. The welcome
// page keeps its default entry and shows in every before-install phase.
#pragma once

namespace brim {

void RegisterStandardDialogForms();

}  // namespace brim
