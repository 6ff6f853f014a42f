// Client conversations of Dynamic Data Exchange (DDEML): the way the
// system talks to Program Manager ("PROGMAN", topic "PROGMAN") to make
// program groups and items. A conversation is an object: opening it
// connects, destroying it disconnects. Each transaction waits at most the
// conversation's timeout.
//
// Errors are DDEML's codes (TErrorDomain::Ddeml).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PlatformError.h"

namespace brim {

// DDEML's error codes (DMLERR_*), the codes of TErrorDomain::Ddeml.
inline constexpr uint32_t ddeAdvAckTimeout = 0x4000;
inline constexpr uint32_t ddeBusy = 0x4001;
inline constexpr uint32_t ddeDataAckTimeout = 0x4002;
inline constexpr uint32_t ddeDllNotInitialized = 0x4003;
inline constexpr uint32_t ddeExecAckTimeout = 0x4005;
inline constexpr uint32_t ddeInvalidParameter = 0x4006;
inline constexpr uint32_t ddeNoConvEstablished = 0x400A;
inline constexpr uint32_t ddeNotProcessed = 0x4009;
inline constexpr uint32_t ddePokeAckTimeout = 0x400B;
inline constexpr uint32_t ddeServerDied = 0x400E;
inline constexpr uint32_t ddeSysError = 0x400F;

// What a request returned: the data item's text, or the error.
struct TDdeReply {
  TPlatformError Error{TErrorDomain::Ddeml, 0};
  std::string Data;
};

// A connected conversation. Destroying it disconnects.
class IDdeConversation {
 public:
  virtual ~IDdeConversation() = default;
  // Sends a command string ("[CreateGroup(Tools)]") and waits for its
  // acknowledgement; a refused command is ddeNotProcessed.
  virtual TPlatformError Execute(const std::string& command) = 0;
  // Asks for a data item ("Groups") as text (CF_TEXT).
  virtual TDdeReply Request(const std::string& item) = 0;
};

class IDdeService {
 public:
  virtual ~IDdeService() = default;
  // Connects to service and topic; null, with error set (ddeNoConvEstablished
  // when no server answers), when it cannot.
  virtual std::unique_ptr<IDdeConversation> Connect(const std::string& service,
                                                    const std::string& topic,
                                                    uint32_t timeoutMs,
                                                    TPlatformError& error) = 0;
};

// The backend's DDE client: DDEML on win32; on the substitute machine the
// conversations of its own Program Manager.
IDdeService& NativeDdeService();

}  // namespace brim
