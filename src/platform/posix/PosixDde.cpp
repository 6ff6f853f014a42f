// DDE on the substitute machine: the one server is its Program Manager
// (service and topic "PROGMAN", in any letter case, as DDE string handles
// compare), which runs in this process against the machine's groups file.
#include "common/routines_Strings.h"
#include "platform/DdeService.h"
#include "platform/posix/ProgramManagerEmulation.h"

namespace brim {

namespace {

TPlatformError DdeError(uint32_t code) { return {TErrorDomain::Ddeml, code}; }

class TProgramManagerConversation : public IDdeConversation {
 public:
  TPlatformError Execute(const std::string& command) override {
    return DdeError(ExecuteOnMachine(command) ? 0 : ddeNotProcessed);
  }
  TDdeReply Request(const std::string& item) override {
    auto reply = ProgramManagerReply(LoadProgramManager(), item);
    if (!reply) return {DdeError(ddeNotProcessed), {}};
    return {DdeError(0), *reply};
  }
};

class TPosixDdeService : public IDdeService {
 public:
  std::unique_ptr<IDdeConversation> Connect(const std::string& service, const std::string& topic,
                                            uint32_t, TPlatformError& error) override {
    if (!SameText(service, "PROGMAN") || !SameText(topic, "PROGMAN")) {
      error = DdeError(ddeNoConvEstablished);
      return nullptr;
    }
    error = DdeError(0);
    return std::make_unique<TProgramManagerConversation>();
  }
};

}  // namespace

IDdeService& NativeDdeService() {
  static TPosixDdeService service;
  return service;
}

}  // namespace brim
