#include "shortcuts/cmp_TProgramManager.h"

#include "common/Format.h"
#include "platform/DdeService.h"
#include "platform/PlatformServices.h"
#include "session/InstallSession.h"

namespace brim {

namespace {

// How long one transaction may take. Under a busy shell a command that
// makes a group can take seconds; no answer after this is a failure.
constexpr uint32_t kTransactionTimeoutMs = 10000;

// Makes text a literal part of a format: its "%" stays a "%".
std::string Literal(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

EAIPMError::EAIPMError()
    : EAI(TranslateMessage(
          "The TProgramManager object was unable to communicate with Program Manager")) {}

EAIPMCannotOpen::EAIPMCannotOpen()
    : EAIPMError(TranslateMessage(
          "The TProgramManager object was unable to establish a link with Program Manager")) {}

EAIPMCannotOpenGroup::EAIPMCannotOpenGroup(const std::string& group)
    : EAIPMError(Format(
          TranslateMessage(
              "The TProgramManager object was unable to open the following program group: %s"),
          group)),
      group_(group) {}

EAIPMCannotCreateGroup::EAIPMCannotCreateGroup(const std::string& group)
    : EAIPMError(Format(
          TranslateMessage(
              "The TProgramManager object was unable to create the following program group: %s"),
          group)),
      group_(group) {}

// The item name is part of the text itself, between two translated pieces;
// the group and the whole command are its arguments.
EAIPMCannotAddItem::EAIPMCannotAddItem(const std::string& group, const std::string& itemName,
                                       const std::string& command)
    : EAIPMError(
          Format(TranslateMessage(
                     "The TProgramManager object was unable to add the following program item: ") +
                     Literal(itemName) +
                     TranslateMessage(" to the following group: %s. The arguments passed to ") +
                     TranslateMessage(" Program Manager were: %s"),
                 group, command)),
      group_(group),
      itemName_(itemName),
      command_(command) {}

EAIPMCannotReplaceItem::EAIPMCannotReplaceItem(const std::string& group,
                                               const std::string& itemName)
    : EAIPMError(Format(
          TranslateMessage(
              "The TProgramManager object was unable to replace the following program item: %s") +
              TranslateMessage(" to the following group: %s"),
          itemName, group)),
      group_(group),
      itemName_(itemName) {}

TProgramManager::TProgramManager(TComponent* owner) : TComponent(owner) {}

TProgramManager::~TProgramManager() {
  // Ending the conversation closes the link.
  conversation_.reset();
  connected_ = false;
}

void TProgramManager::Open() {
  if (connected_) return;
  TPlatformError error;
  conversation_ = PlatformDde().Connect("PROGMAN", "PROGMAN", kTransactionTimeoutMs, error);
  connected_ = conversation_ != nullptr;
  if (!connected_) throw TCaused<EAIPMCannotOpen>(error);
}

void TProgramManager::SelectGroup(const std::string& name) {
  Open();
  currentGroup_.clear();
  groupLines_.Clear();
  TDdeReply reply = conversation_->Request(name);
  if (reply.Data.empty()) return;
  groupLines_.SetText(reply.Data);
  currentGroup_ = name;
}

void TProgramManager::CreateGroup(const std::string& name) {
  Open();
  if (name.empty()) return;
  TPlatformError error = conversation_->Execute("[CreateGroup(\"" + name + "\")]");
  if (error.Failed()) throw TCaused<EAIPMCannotCreateGroup>(error, name);
  SelectGroup(name);
}

void TProgramManager::GetGroups(TStrings& strings) {
  Open();
  // A refused request is not an empty list of groups.
  TDdeReply reply = conversation_->Request("Groups");
  if (reply.Error.Failed()) throw TCaused<EAIPMError>(reply.Error);
  strings.SetText(reply.Data);
}

int TProgramManager::ItemCount() const {
  return groupLines_.Count() < 2 ? 0 : groupLines_.Count() - 1;
}

std::string TProgramManager::Field(int i, int f) const {
  if (i <= 0 || i >= groupLines_.Count()) return {};
  const std::string& line = groupLines_.Strings(i);
  size_t at = 0;
  for (int skip = 1; skip < f; ++skip) {
    size_t comma = line.find(',', at);
    if (comma == std::string::npos) return {};
    at = comma + 1;
  }
  size_t end = line.find(',', at);
  return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

namespace {
// One leading quote goes (unless the text is that quote alone), then one
// trailing quote.
std::string Unquoted(std::string text) {
  if (text.size() > 1 && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}
}  // namespace

std::string TProgramManager::ItemName(int i) const { return Unquoted(Field(i, 1)); }
std::string TProgramManager::ItemCommand(int i) const { return Unquoted(Field(i, 2)); }
std::string TProgramManager::ItemDirectory(int i) const { return Field(i, 3); }
std::string TProgramManager::ItemIconPath(int i) const { return Field(i, 4); }
std::string TProgramManager::ItemX(int i) const { return Field(i, 5); }
std::string TProgramManager::ItemY(int i) const { return Field(i, 6); }
std::string TProgramManager::ItemIconIndex(int i) const { return Field(i, 7); }
std::string TProgramManager::ItemHotKey(int i) const { return Field(i, 8); }

int TProgramManager::FindItem(const std::string& name) const {
  for (int i = 1; i <= ItemCount(); ++i)
    if (ItemName(i) == name) return i;
  return -1;
}

void TProgramManager::ShowCurrentGroup() {
  TPlatformError error = conversation_->Execute("[ShowGroup(" + currentGroup_ + ",8)]");
  if (error.Failed()) throw TCaused<EAIPMCannotOpenGroup>(error, currentGroup_);
}

void TProgramManager::AddItem(const std::string& commandLine, const std::string& name,
                              const std::string& iconPath, int32_t iconIndex,
                              const std::string& defaultDir, const std::string& hotKey) {
  Open();
  if (currentGroup_.empty()) return;
  // SelectGroup below replaces the current group's name by itself.
  const std::string group = currentGroup_;
  ShowCurrentGroup();
  // The position (x, y) is left empty: Program Manager places the icon.
  std::string command = "[AddItem(" + commandLine + "," + name + "," + iconPath + "," +
                        std::to_string(iconIndex) + "," + ",," + defaultDir + "," + hotKey + ")]";
  TPlatformError error = conversation_->Execute(command);
  if (error.Failed()) throw TCaused<EAIPMCannotAddItem>(error, group, name, command);
  SelectGroup(group);
}

void TProgramManager::ReplaceItem(const std::string& name) {
  Open();
  if (currentGroup_.empty()) return;
  const std::string group = currentGroup_;
  ShowCurrentGroup();
  TPlatformError error = conversation_->Execute("[ReplaceItem(\"" + name + "\")]");
  if (error.Failed()) throw TCaused<EAIPMCannotReplaceItem>(error, group, name);
  SelectGroup(group);
}

const TClassInfo& TProgramManager::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TProgramManager>("TProgramManager", &TComponent::StaticClass()).Build();
  return info;
}

namespace {
// The session's client; made without owner, it ends with the session.
struct TProgramManagerClient {
  TProgramManager Client{nullptr};
};
}  // namespace

TProgramManager& ProgramManager() { return CurrentSession().State<TProgramManagerClient>().Client; }

}  // namespace brim
