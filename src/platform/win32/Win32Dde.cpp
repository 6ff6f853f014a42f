// DDE client conversations through DDEML. Each conversation has its own
// DDEML instance (client only), so its string handles, its conversation
// handle and its instance go together when it ends. A failed call reports
// DdeGetLastError of that instance.
#include <memory>

#include "platform/DdeService.h"
#include "platform/win32/Win32Handles.h"

#include <ddeml.h>

namespace brim {

namespace {

TPlatformError DdeError(uint32_t code) { return {TErrorDomain::Ddeml, code}; }

// A DDEML instance: DdeUninitialize ends its conversations and frees what
// it still holds.
struct TDdeInstanceTraits {
  using Type = DWORD;
  static Type Invalid() { return 0; }
  static bool Valid(Type h) { return h != 0; }
  static void Close(Type h) { ::DdeUninitialize(h); }
};
using TDdeInstance = TScopedHandle<TDdeInstanceTraits>;

struct TDdeConversationTraits {
  using Type = HCONV;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DdeDisconnect(h); }
};
using TDdeConversationHandle = TScopedHandle<TDdeConversationTraits>;

struct TDdeDataTraits {
  using Type = HDDEDATA;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DdeFreeDataHandle(h); }
};
using TDdeData = TScopedHandle<TDdeDataTraits>;

// A string handle belongs to its instance, which freeing it needs.
class TDdeString {
 public:
  TDdeString(DWORD instance, const std::string& text)
      : instance_(instance),
        handle_(::DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
  ~TDdeString() {
    if (handle_) ::DdeFreeStringHandle(instance_, handle_);
  }
  TDdeString(const TDdeString&) = delete;
  TDdeString& operator=(const TDdeString&) = delete;
  HSZ Get() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

// A client asks and is told; it serves no transactions of its own.
HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// The instance's error for a call that failed; DDEML names one for every
// failed transaction, a refused command being DMLERR_NOTPROCESSED.
uint32_t LastDdeError(DWORD instance, uint32_t fallback) {
  UINT code = ::DdeGetLastError(instance);
  return code != DMLERR_NO_ERROR ? code : fallback;
}

class TWin32Conversation : public IDdeConversation {
 public:
  TWin32Conversation(TDdeInstance instance, TDdeConversationHandle conversation, uint32_t timeoutMs)
      : instance_(std::move(instance)),
        conversation_(std::move(conversation)),
        timeout_(timeoutMs) {}

  TPlatformError Execute(const std::string& command) override {
    // The command goes as ANSI text with its NUL; DDEML converts it for a
    // Unicode server.
    std::string data = command;
    data.push_back('\0');
    HDDEDATA result = ::DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()),
                                             static_cast<DWORD>(data.size()), conversation_.Get(),
                                             nullptr, 0, XTYP_EXECUTE, timeout_, nullptr);
    // A synchronous execute answers TRUE, not a data handle: nothing to free.
    if (!result) return DdeError(LastDdeError(instance_.Get(), ddeNotProcessed));
    return DdeError(0);
  }

  TDdeReply Request(const std::string& item) override {
    TDdeString name(instance_.Get(), item);
    if (!name.Get()) return {DdeError(LastDdeError(instance_.Get(), ddeSysError)), {}};
    TDdeData data(::DdeClientTransaction(nullptr, 0, conversation_.Get(), name.Get(), CF_TEXT,
                                         XTYP_REQUEST, timeout_, nullptr));
    if (!data) return {DdeError(LastDdeError(instance_.Get(), ddeNotProcessed)), {}};
    DWORD size = ::DdeGetData(data.Get(), nullptr, 0, 0);
    std::string text(size, '\0');
    if (size) ::DdeGetData(data.Get(), reinterpret_cast<BYTE*>(text.data()), size, 0);
    // CF_TEXT ends at its NUL.
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return {DdeError(0), text};
  }

 private:
  // Declared first, ended last: the conversation goes before its instance.
  TDdeInstance instance_;
  TDdeConversationHandle conversation_;
  uint32_t timeout_;
};

class TWin32DdeService : public IDdeService {
 public:
  std::unique_ptr<IDdeConversation> Connect(const std::string& service, const std::string& topic,
                                            uint32_t timeoutMs, TPlatformError& error) override {
    TDdeInstance instance;
    DWORD id = 0;
    UINT result = ::DdeInitializeA(&id, ClientCallback, APPCMD_CLIENTONLY, 0);
    if (result != DMLERR_NO_ERROR) {
      error = DdeError(result);
      return nullptr;
    }
    instance.Reset(id);
    TDdeConversationHandle conversation;
    {
      TDdeString serviceName(id, service), topicName(id, topic);
      if (!serviceName.Get() || !topicName.Get()) {
        error = DdeError(LastDdeError(id, ddeSysError));
        return nullptr;
      }
      conversation.Reset(::DdeConnect(id, serviceName.Get(), topicName.Get(), nullptr));
    }
    if (!conversation) {
      error = DdeError(LastDdeError(id, ddeNoConvEstablished));
      return nullptr;
    }
    error = DdeError(0);
    return std::make_unique<TWin32Conversation>(std::move(instance), std::move(conversation),
                                                timeoutMs);
  }
};

}  // namespace

IDdeService& NativeDdeService() {
  static TWin32DdeService service;
  return service;
}

}  // namespace brim
