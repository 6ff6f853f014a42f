// The objects that travel with broadcast codes down the install tree. The
// sender makes one, broadcasts it and frees it afterwards; a receiver
// checks its class before reading it.
#pragma once

#include <string>

#include "objects/TComponent.h"

namespace brim {

// The text of a status message (code -974).
class TMessageParameter : public TPersistent {
  BRIM_CLASS(TMessageParameter)

 public:
  explicit TMessageParameter(std::string message) : Message(std::move(message)) {}

  std::string Message;
};

}  // namespace brim
