// IWindowService of the posix build: there is no screen, so windows are
// the headless records and message boxes never block (BRIMWELL_UI=console
// reads the answer from stdin).
#include "platform/HeadlessWindows.h"

#include "platform/NativeServices.h"

namespace brim {

IWindowService& NativeWindows() {
  static THeadlessWindowService service(UserInterfaceMode().Kind);
  return service;
}

}  // namespace brim
