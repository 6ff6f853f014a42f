// A DDE service for the tests of the Program Manager client and of the
// shortcuts made through it: it records what the client sends and answers
// requests from a table.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DdeService.h"

namespace brim::test {

using Lines = std::vector<std::string>;

// A DDE service that records what the client sends and answers requests
// from a table (an item not in it is refused, as Wine refuses a group).
class TRecordingDde : public IDdeService {
 public:
  Lines Sent;  // "connect SERVICE|TOPIC", "execute COMMAND", "request ITEM"
  std::map<std::string, std::string> Replies;
  int Open = 0;  // conversations not yet ended

  std::unique_ptr<IDdeConversation> Connect(const std::string& service, const std::string& topic,
                                            uint32_t, TPlatformError& error) override {
    Sent.push_back("connect " + service + "|" + topic);
    error = {TErrorDomain::Ddeml, 0};
    return std::make_unique<TConversation>(*this);
  }
  // Only the commands and requests, in order.
  Lines Traffic() const {
    Lines traffic;
    for (const auto& line : Sent)
      if (line.rfind("connect ", 0) != 0) traffic.push_back(line);
    return traffic;
  }
  // Only the command strings, in order.
  Lines Commands() const {
    Lines commands;
    for (const auto& line : Sent)
      if (line.rfind("execute ", 0) == 0) commands.push_back(line.substr(8));
    return commands;
  }

 private:
  class TConversation : public IDdeConversation {
   public:
    explicit TConversation(TRecordingDde& owner) : owner_(owner) { ++owner_.Open; }
    ~TConversation() override { --owner_.Open; }
    TPlatformError Execute(const std::string& command) override {
      owner_.Sent.push_back("execute " + command);
      return {TErrorDomain::Ddeml, 0};
    }
    TDdeReply Request(const std::string& item) override {
      owner_.Sent.push_back("request " + item);
      auto found = owner_.Replies.find(item);
      if (found == owner_.Replies.end()) return {{TErrorDomain::Ddeml, ddeNotProcessed}, {}};
      return {{TErrorDomain::Ddeml, 0}, found->second};
    }

   private:
    TRecordingDde& owner_;
  };
};

}  // namespace brim::test
