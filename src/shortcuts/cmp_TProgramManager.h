// The Program Manager client: program groups and items on shells without a
// Start menu. It holds one DDE conversation with service and topic
// "PROGMAN", sends Program Manager's command strings and reads the list of
// groups and the contents of one group (the "current group"). Shortcut
// creation makes its items through it; the program-folder page lists its
// groups. The process has one, kept in the install session.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/exceptions_Brimwell.h"
#include "objects/TComponent.h"
#include "objects/TStrings.h"

namespace brim {

class IDdeConversation;

// Program Manager refused or could not be reached. The messages are
// translated before they are formatted.
class EAIPMError : public EAI {
 public:
  EAIPMError();
  const char* ClassName() const override { return "EAIPMError"; }

 protected:
  explicit EAIPMError(std::string message) : EAI(std::move(message)) {}
};

// No conversation with Program Manager could be opened; thrown with the
// DDE error as its cause.
class EAIPMCannotOpen : public EAIPMError {
 public:
  EAIPMCannotOpen();
  const char* ClassName() const override { return "EAIPMCannotOpen"; }
};

// ShowGroup was refused.
class EAIPMCannotOpenGroup : public EAIPMError {
 public:
  explicit EAIPMCannotOpenGroup(const std::string& group);
  const char* ClassName() const override { return "EAIPMCannotOpenGroup"; }
  const std::string& Group() const { return group_; }

 private:
  std::string group_;
};

class EAIPMCannotCreateGroup : public EAIPMError {
 public:
  explicit EAIPMCannotCreateGroup(const std::string& group);
  const char* ClassName() const override { return "EAIPMCannotCreateGroup"; }
  const std::string& Group() const { return group_; }

 private:
  std::string group_;
};

class EAIPMCannotAddItem : public EAIPMError {
 public:
  EAIPMCannotAddItem(const std::string& group, const std::string& itemName,
                     const std::string& command);
  const char* ClassName() const override { return "EAIPMCannotAddItem"; }
  const std::string& Group() const { return group_; }
  const std::string& ItemName() const { return itemName_; }
  const std::string& Command() const { return command_; }

 private:
  std::string group_, itemName_, command_;
};

class EAIPMCannotReplaceItem : public EAIPMError {
 public:
  EAIPMCannotReplaceItem(const std::string& group, const std::string& itemName);
  const char* ClassName() const override { return "EAIPMCannotReplaceItem"; }
  const std::string& Group() const { return group_; }
  const std::string& ItemName() const { return itemName_; }

 private:
  std::string group_, itemName_;
};

class TProgramManager : public TComponent {
  BRIM_CLASS(TProgramManager)

 public:
  explicit TProgramManager(TComponent* owner);
  ~TProgramManager() override;

  // Opens the conversation when it is not open; EAIPMCannotOpen when no
  // Program Manager answers. Every operation below that talks to Program
  // Manager starts here.
  void Open();
  // Loads a group's contents and makes it current; a group that Program
  // Manager does not describe leaves no current group.
  void SelectGroup(const std::string& name);
  // Creates (or opens) a group and makes it current; "" does nothing.
  void CreateGroup(const std::string& name);
  // The names of all groups, one a line.
  void GetGroups(TStrings& strings);

  // The items of the current group, numbered from 1.
  int ItemCount() const;
  // The first item of exactly that name (letter case counts); -1 if none.
  int FindItem(const std::string& name) const;
  std::string ItemName(int i) const;
  std::string ItemCommand(int i) const;
  std::string ItemDirectory(int i) const;
  std::string ItemIconPath(int i) const;
  std::string ItemX(int i) const;
  std::string ItemY(int i) const;
  std::string ItemIconIndex(int i) const;
  std::string ItemHotKey(int i) const;

  // Adds an item to the current group (nothing without one) and reloads it.
  void AddItem(const std::string& commandLine, const std::string& name, const std::string& iconPath,
               int32_t iconIndex, const std::string& defaultDir, const std::string& hotKey);
  // Marks the current group's item to be replaced by the next AddItem.
  void ReplaceItem(const std::string& name);

  bool Connected() const { return connected_; }
  const std::string& CurrentGroup() const { return currentGroup_; }

 private:
  // Field f (from 1) of line i of the group lines, as Program Manager's
  // reply gives it: commas separate, quotes are not special.
  std::string Field(int i, int f) const;
  // Sends ShowGroup for the current group, so Program Manager acts on it.
  void ShowCurrentGroup();

  bool connected_ = false;
  std::unique_ptr<IDdeConversation> conversation_;
  std::string currentGroup_;
  TStringList groupLines_;
};

// The process's one Program Manager client (kept in the current install
// session), made on first use.
TProgramManager& ProgramManager();

}  // namespace brim
