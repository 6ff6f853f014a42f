// A small vocabulary of test classes that uses every kind of property the
// stream knows, so the stream code is tested apart from the install classes.
#pragma once

#include <memory>

#include "objects/ClassRegistry.h"
#include "objects/TCollection.h"
#include "objects/TComponent.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"

namespace brim::test {

enum class TColourMode { cmPlain, cmFancy, cmLoud };
inline const TEnumInfo ColourModeInfo("TColourMode", {"cmPlain", "cmFancy", "cmLoud"});

class TSampleInfo : public TPersistent {
  BRIM_CLASS(TSampleInfo)
 public:
  std::string Company = "My Company";
  bool Enabled = true;
};

class TSampleEntry : public TCollectionItem {
  BRIM_CLASS(TSampleEntry)
 public:
  using TCollectionItem::TCollectionItem;
  std::string Ident;
  int32_t Value = 0;
  TComponent* Target = nullptr;
};

class TSampleThing : public TComponent {
  BRIM_CLASS(TSampleThing)
 public:
  explicit TSampleThing(TComponent* owner) : TComponent(owner) {}
  int8_t Small = 0;
  int16_t Medium = 0;
  int32_t Number = 0;
  int64_t Big = 0;
  int32_t Colour = 0;
  TColourMode Mode = TColourMode::cmFancy;
  TInstallTypeSet Types{TInstallType::itFull, TInstallType::itDefault, TInstallType::itCompact};
  bool Flag = false;
  bool Always = false;
  std::string Text = "\\MyApplication";
  double Ratio = 0;
  double When = 0;
  TComponent* Link = nullptr;
  TSampleInfo Info;
  TStringList Lines;
  TPicture Picture;
  TFont Font;
  TCollection Entries{TSampleEntry::StaticClass(), this};
  TEvent<void(TComponent*)> OnPoke;
  int LoadedCalls = 0;
  int LoadedOrder = -1;
  void Loaded() override;
};

class TSampleRoot : public TComponent {
  BRIM_CLASS(TSampleRoot)
 public:
  explicit TSampleRoot(TComponent* owner);
  const std::any* FindHandler(const std::string& name) const override;
  int Pokes = 0;

 private:
  std::any poke_;
};

void RegisterSampleClasses();
// Every Loaded call increments this; components remember their turn.
extern int LoadedCounter;

}  // namespace brim::test
