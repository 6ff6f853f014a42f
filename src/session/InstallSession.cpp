#include "session/InstallSession.h"

namespace brim {

namespace {

TInstallSession* current = nullptr;

}  // namespace

TInstallSession::TInstallSession()
    : savedTranslation_(ExchangeMessageTranslation(nullptr)), previous_(current) {
  current = this;
}

TInstallSession::~TInstallSession() {
  ending_ = true;
  // Later state may point into earlier state: it goes first.
  while (!states_.empty()) {
    std::shared_ptr<void> last = std::move(states_.back().second);
    last.reset();
    states_.pop_back();
  }
  if (current == this) current = previous_;
  SetMessageTranslation(std::move(savedTranslation_));
}

void* TInstallSession::Find(std::type_index type) const {
  for (const auto& [key, state] : states_)
    if (key == type) return state.get();
  return nullptr;
}

TInstallSession& CurrentSession() {
  if (current) return *current;
  // A program that made no session of its own gets one that lives as long
  // as the process: no unit touches state already gone while statics end.
  static TInstallSession* processSession = new TInstallSession;
  return current ? *current : *processSession;
}

}  // namespace brim
