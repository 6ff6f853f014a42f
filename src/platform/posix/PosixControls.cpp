// The controls of the posix build: there is no screen, so they are the
// headless records, on the headless windows of PlatformWindows().
#include "platform/Controls.h"

namespace brim {

IControlService& NativeControlService() {
  static THeadlessControlService service;
  return service;
}

}  // namespace brim
