#include "objects/TCollection.h"

#include <algorithm>
#include <iterator>

namespace brim {

const TClassInfo& TCollectionItem::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCollectionItem>("TCollectionItem", &TPersistent::StaticClass()).Build();
  return info;
}

const TClassInfo& TCollection::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCollection>("TCollection", &TPersistent::StaticClass()).Build();
  return info;
}

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection) {
    collection_ = collection;
    id_ = collection->nextId_++;
    collection->items_.push_back(this);
  }
}

TCollectionItem::~TCollectionItem() {
  if (!collection_) return;
  // Clear frees the items from the last one: looking from the back finds
  // each at once, so freeing a collection takes linear time.
  auto& v = collection_->items_;
  auto it = std::find(v.rbegin(), v.rend(), this);
  if (it != v.rend()) v.erase(std::next(it).base());
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& v = collection_->items_;
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

void TCollectionItem::SetIndex(int index) {
  int cur = Index();
  if (cur < 0 || index == cur) return;
  auto& v = collection_->items_;
  if (index < 0) index = 0;
  if (index >= static_cast<int>(v.size())) index = static_cast<int>(v.size()) - 1;
  v.erase(v.begin() + cur);
  v.insert(v.begin() + index, this);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

TCollection::TCollection(const TClassInfo& itemClass, TPersistent* owner)
    : itemClass_(&itemClass), owner_(owner) {}

TCollection::~TCollection() { Clear(); }

TCollectionItem* TCollection::Add() {
  if (!itemClass_->CreateItem)
    throw EComponentError("Cannot create an item of class %s", itemClass_->ClassName);
  return itemClass_->CreateItem(this);
}

void TCollection::Delete(int i) { delete items_.at(i); }

void TCollection::Clear() {
  while (!items_.empty()) delete items_.back();
}

void TCollection::Assign(const TPersistent& source) {
  auto* src = dynamic_cast<const TCollection*>(&source);
  if (!src || src->itemClass_ != itemClass_)
    throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  if (src == this) return;
  Clear();
  for (TCollectionItem* item : src->items_) Add()->Assign(*item);
}

}  // namespace brim
