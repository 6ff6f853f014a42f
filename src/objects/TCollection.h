// TCollection / TCollectionItem: an owned list of items of one class,
// streamed as a collection value (tag 14), each item's properties read and
// written through its class's metadata.
#pragma once

#include <vector>

#include "objects/TComponent.h"

namespace brim {

class TCollection;

class TCollectionItem : public TPersistent {
  BRIM_CLASS(TCollectionItem)

 public:
  // Adds itself to the collection (when one is given).
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  int Index() const;
  void SetIndex(int index);
  int ID() const { return id_; }
  TPersistent* GetOwner() const override;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  BRIM_CLASS(TCollection)

 public:
  TCollection(const TClassInfo& itemClass, TPersistent* owner);
  ~TCollection() override;

  const TClassInfo& ItemClass() const { return *itemClass_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int i) const { return items_.at(i); }
  template <class I>
  I* ItemAs(int i) const {
    return static_cast<I*>(items_.at(i));
  }
  // Creates a new item of the item class at the end.
  TCollectionItem* Add();
  void Delete(int i);
  void Clear();
  TPersistent* GetOwner() const override { return owner_; }
  // Copies the other collection's items (same item class) one by one.
  void Assign(const TPersistent& source) override;

 private:
  friend class TCollectionItem;
  const TClassInfo* itemClass_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int nextId_ = 0;
};

}  // namespace brim
