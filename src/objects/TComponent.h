// The component model: TPersistent (an object with published properties)
// and TComponent (named, owned, owning, loaded from a stream). Owners free
// what they own; references between components are plain pointers that
// are cleared through Notification when the target goes away.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "objects/TypeInfo.h"

namespace brim {

BRIM_EXCEPTION_CLASS(EComponentError, Exception);
BRIM_EXCEPTION_CLASS(EAssignError, Exception);

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType().ClassName; }
  bool InheritsFrom(const TClassInfo& c) const { return ClassType().InheritsFrom(c); }

  // Copies another object's contents. The base copies every published
  // property when the source is of the same class, and refuses otherwise.
  virtual void Assign(const TPersistent& source);
  // The object that owns this one as a nested property (for error paths).
  virtual TPersistent* GetOwner() const { return nullptr; }
};

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : uint32_t {
  csLoading = 1,
  csReading = 2,
  csWriting = 4,
  csDestroying = 8,
  csDesigning = 16,
  csAncestor = 32,
  csUpdating = 64,
  csFixups = 128,
  csInline = 256,
};

class TComponent : public TPersistent {
  BRIM_CLASS(TComponent)

 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Renames the component; the name must be an identifier (or empty) and
  // unique among the owner's components.
  virtual void SetName(const std::string& name);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t t) { tag_ = t; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int i) const { return components_.at(i); }
  // An owned component by name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& name) const;
  int ComponentIndex() const;

  uint32_t ComponentState() const { return state_; }
  bool HasState(TComponentStateFlag f) const { return (state_ & f) != 0; }
  void SetDesigning(bool designing, bool children = true);

  // Stream hooks: the reader sets csLoading|csReading before reading a
  // component's properties and calls Loaded once the whole stream is in.
  void BeginLoading() { state_ |= csLoading | csReading; }
  void EndReading() { state_ &= ~csReading; }
  virtual void Loaded();

  // Sent to a component when another one is inserted or removed nearby:
  // an insertion to the owner, a removal to the owner and its owned
  // components and to the free-notification list. The base clears every
  // reference property that names the removed component.
  virtual void Notification(TComponent* component, TOperation operation);
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();

  // Frees the component. Everyone is told while the object is still
  // whole (its virtual functions still those of its own class), then it is
  // deleted. Owners free their components this way.
  void Free();
  // What Free does before the delete: marks the component as destroying,
  // frees what it owns, tells the free-notification list and leaves its
  // owner. Runs once; the destructor runs it too for a plain delete.
  virtual void BeforeDestruction();

  // Visual parenting, for controls: the default has none.
  // True for a form or a data module, the roots that may own install
  // components; the widgets say so for theirs.
  virtual bool IsModuleRoot() const { return false; }
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent) {}
  // Stream children of this component, in writing order. The root writes
  // its owned components that have no visual parent; windowed controls
  // add their child controls.
  virtual std::vector<TComponent*> GetChildren(TComponent* root) const;
  // The root whose components a stream record's children become owned by.
  virtual TComponent* GetChildOwner() { return nullptr; }

  // A handler method of this component (as a root form) for an event
  // property, as std::function of the event's signature; null if none.
  virtual const std::any* FindHandler(const std::string& name) const { return nullptr; }

  // The designer's placement of a non-visual component ("Left", "Top").
  int32_t DesignLeft() const { return designLeft_; }
  int32_t DesignTop() const { return designTop_; }
  void SetDesignLeft(int32_t v) { designLeft_ = v; }
  void SetDesignTop(int32_t v) { designTop_ = v; }
  bool HasDesignPlacement() const { return hasDesignPlacement_; }
  void SetHasDesignPlacement(bool v) { hasDesignPlacement_ = v; }

 private:
  void ClearReferencesTo(TPersistent& object, TComponent* target, int depth);
  void IndexName(TComponent* component);
  void UnindexName(TComponent* component);

  // Owned components by name with a-z upper-cased, in list order; made
  // once an owner has many, so that loading n named components and
  // resolving their references costs n lookups, not n * n comparisons.
  using TNameIndex = std::unordered_map<std::string, std::vector<TComponent*>>;
  mutable std::unique_ptr<TNameIndex> nameIndex_;

  TComponent* owner_ = nullptr;
  std::string name_;
  int32_t tag_ = 0;
  uint32_t state_ = 0;
  std::vector<TComponent*> components_;
  uint64_t componentChanges_ = 0;  // counts changes of components_
  std::vector<TComponent*> freeNotifies_;
  int32_t designLeft_ = 0, designTop_ = 0;
  bool hasDesignPlacement_ = false;
};

bool IsValidIdent(const std::string& name);

}  // namespace brim
