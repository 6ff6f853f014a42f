// The install session's one compression engine. Apart from the engine
// itself, so that a program using only the engine (the loading program)
// does not link the install session.
#include "archive/cmp_TQmbxCompress.h"
#include "session/InstallSession.h"

namespace brim {

namespace {
struct TSharedEngine {
  TQmbxCompress* Engine = nullptr;
  ~TSharedEngine() {
    if (Engine) Engine->Free();
  }
};
}  // namespace

TQmbxCompress& SharedCompressionEngine() {
  TSharedEngine& shared = CurrentSession().State<TSharedEngine>();
  if (!shared.Engine) shared.Engine = new TQmbxCompress(nullptr);
  return *shared.Engine;
}

}  // namespace brim
