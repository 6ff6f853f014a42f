#include "objects/TComponent.h"

#include <algorithm>

#include "common/routines_Strings.h"
#include "objects/TCollection.h"

namespace brim {

namespace {

// Lists are searched from the end: components are mostly freed last first.
bool ContainsFromEnd(const std::vector<TComponent*>& list, TComponent* item) {
  return std::find(list.rbegin(), list.rend(), item) != list.rend();
}

bool EraseLast(std::vector<TComponent*>& list, TComponent* item) {
  auto it = std::find(list.rbegin(), list.rend(), item);
  if (it == list.rend()) return false;
  list.erase(std::next(it).base());
  return true;
}

}  // namespace

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo info = TClassBuilder<TPersistent>("TPersistent", nullptr).Build();
  return info;
}

void TPersistent::Assign(const TPersistent& source) {
  if (&source.ClassType() != &ClassType())
    throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  TPersistent& src = const_cast<TPersistent&>(source);
  for (const TPropInfo* p : ClassType().AllProps()) {
    switch (p->Kind) {
      case TPropKind::Integer:
      case TPropKind::Enumeration:
      case TPropKind::Set:
      case TPropKind::Boolean:
        p->SetOrd(*this, p->GetOrd(source));
        break;
      case TPropKind::String: p->SetStr(*this, p->GetStr(source)); break;
      case TPropKind::Float: p->SetFloat(*this, p->GetFloat(source)); break;
      case TPropKind::Reference: p->SetRef(*this, p->GetRef(source)); break;
      case TPropKind::Object: {
        TPersistent* mine = p->GetObject(*this);
        TPersistent* theirs = p->GetObject(src);
        if (mine && theirs) mine->Assign(*theirs);
        break;
      }
      case TPropKind::Event:
      case TPropKind::Custom:
        break;
    }
  }
}

bool IsValidIdent(const std::string& name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(name[0])) return false;
  for (char c : name)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClass())
          .Integer("Tag", Methods(&TComponent::Tag, &TComponent::SetTag), 0)
          // Where the designer placed a non-visual component; controls
          // redeclare Left and Top as their real position.
          .Custom(
              "Left",
              [](const TComponent& c, TValue& v) {
                if (!c.HasDesignPlacement()) return false;
                v = TValue::Integer(c.DesignLeft());
                return true;
              },
              [](TComponent& c, const TValue& v) {
                c.SetDesignLeft(static_cast<int32_t>(v.Int));
                c.SetHasDesignPlacement(true);
              })
          .Custom(
              "Top",
              [](const TComponent& c, TValue& v) {
                if (!c.HasDesignPlacement()) return false;
                v = TValue::Integer(c.DesignTop());
                return true;
              },
              [](TComponent& c, const TValue& v) {
                c.SetDesignTop(static_cast<int32_t>(v.Int));
                c.SetHasDesignPlacement(true);
              })
          .Build();
  return info;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) {
    // Children of a component being designed are designed too.
    if (owner->HasState(csDesigning)) state_ |= csDesigning;
    owner->InsertComponent(this);
  }
}

TComponent::~TComponent() { BeforeDestruction(); }

void TComponent::Free() {
  BeforeDestruction();
  delete this;
}

void TComponent::BeforeDestruction() {
  if (HasState(csDestroying)) return;
  state_ |= csDestroying;
  DestroyComponents();
  auto clients = std::move(freeNotifies_);
  freeNotifies_.clear();
  for (TComponent* c : clients) {
    c->RemoveFreeNotification(this);
    c->Notification(this, TOperation::opRemove);
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'%s' is not a valid component name", name);
  if (owner_ && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this)
      throw EComponentError("A component named %s already exists", name);
  }
  if (owner_) owner_->UnindexName(this);
  name_ = name;
  if (owner_) owner_->IndexName(this);
}

// An owner with fewer components than this searches its list.
constexpr size_t kNameIndexFrom = 32;

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  if (!nameIndex_ && components_.size() >= kNameIndexFrom) {
    nameIndex_ = std::make_unique<TNameIndex>();
    for (TComponent* c : components_)
      if (!c->name_.empty()) (*nameIndex_)[UpperCase(c->name_)].push_back(c);
  }
  if (nameIndex_) {
    auto it = nameIndex_->find(UpperCase(name));
    if (it == nameIndex_->end() || it->second.empty()) return nullptr;
    // One name twice (a component moved in from another owner): the
    // first in the list, as the search finds it.
    if (it->second.size() == 1) return it->second.front();
  }
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::IndexName(TComponent* component) {
  if (nameIndex_ && !component->name_.empty())
    (*nameIndex_)[UpperCase(component->name_)].push_back(component);
}

void TComponent::UnindexName(TComponent* component) {
  if (!nameIndex_ || component->name_.empty()) return;
  auto it = nameIndex_->find(UpperCase(component->name_));
  if (it == nameIndex_->end()) return;
  std::erase(it->second, component);
  if (it->second.empty()) nameIndex_->erase(it);
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& v = owner_->components_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TComponent::SetDesigning(bool designing, bool children) {
  if (designing) state_ |= csDesigning;
  else state_ &= ~csDesigning;
  if (children)
    for (TComponent* c : components_) c->SetDesigning(designing, true);
}

std::vector<TComponent*> TComponent::GetChildren(TComponent* root) const {
  std::vector<TComponent*> children;
  if (root == this)
    for (TComponent* c : components_)
      if (!c->HasParent()) children.push_back(c);
  return children;
}

void TComponent::Loaded() { state_ &= ~(csLoading | csReading); }

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  ++componentChanges_;
  IndexName(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!ContainsFromEnd(components_, component)) return;
  // An owner being destroyed loses every component: telling each of the
  // rest about each one that goes would cost n * n, for references that
  // die with them. Those that must know are on the free-notification list.
  if (!HasState(csDestroying)) Notification(component, TOperation::opRemove);
  // The notification may have removed entries; look again.
  if (EraseLast(components_, component)) UnindexName(component);
  ++componentChanges_;
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    c->Free();
    // A component that failed to leave the list is dropped so this ends.
    if (!components_.empty() && components_.back() == c) {
      components_.pop_back();
      UnindexName(c);
      ++componentChanges_;
    }
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // Links go both ways, so the shorter list tells whether this one exists:
  // a path specifier named by thousands of files is not searched each time.
  bool linked = freeNotifies_.size() <= component->freeNotifies_.size()
                    ? ContainsFromEnd(freeNotifies_, component)
                    : ContainsFromEnd(component->freeNotifies_, this);
  if (linked) return;
  freeNotifies_.push_back(component);
  component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!EraseLast(freeNotifies_, component)) return;
  component->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // An insertion is news for the owner alone: nothing below reacts to it,
  // and telling every sibling made loading n components cost n * n.
  if (operation == TOperation::opInsert) return;
  if (component) {
    RemoveFreeNotification(component);
    if (component != this) ClearReferencesTo(*this, component, 0);
  }
  // Owned components hear about their siblings' removal too. A handler may
  // free or move one of them: while the list is unchanged every copied
  // entry is still here; after a change each is looked up.
  auto owned = components_;
  const uint64_t changes = componentChanges_;
  for (TComponent* c : owned)
    if (c != component &&
        (componentChanges_ == changes ||
         std::find(components_.begin(), components_.end(), c) != components_.end()))
      c->Notification(component, operation);
}

void TComponent::ClearReferencesTo(TPersistent& object, TComponent* target, int depth) {
  if (depth > 16 || !object.ClassType().MayReferenceComponents()) return;
  for (const TPropInfo* p : object.ClassType().AllProps()) {
    if (p->Kind == TPropKind::Reference) {
      if (p->GetRef(object) == target) p->SetRef(object, nullptr);
    } else if (p->Kind == TPropKind::Object) {
      TPersistent* nested = p->GetObject(object);
      if (!nested || dynamic_cast<TComponent*>(nested)) continue;
      if (auto* coll = dynamic_cast<TCollection*>(nested)) {
        for (int i = 0; i < coll->Count(); ++i) ClearReferencesTo(*coll->Items(i), target, depth + 1);
      } else {
        ClearReferencesTo(*nested, target, depth + 1);
      }
    }
  }
}

}  // namespace brim
