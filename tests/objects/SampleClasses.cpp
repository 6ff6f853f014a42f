#include "SampleClasses.h"

namespace brim::test {

const TEnumInfo InstallTypeInfo("TInstallType", InstallTypeNames);
int LoadedCounter = 0;

const TClassInfo& TSampleInfo::StaticClass() {
  static const TClassInfo info = TClassBuilder<TSampleInfo>("TSampleInfo", &TPersistent::StaticClass())
                                     .String("Company", Field(&TSampleInfo::Company), "My Company")
                                     .Boolean("Enabled", Field(&TSampleInfo::Enabled), true)
                                     .Build();
  return info;
}

const TClassInfo& TSampleEntry::StaticClass() {
  static const TClassInfo info = TClassBuilder<TSampleEntry>("TSampleEntry", &TCollectionItem::StaticClass())
                                     .Item()
                                     .String("Ident", Field(&TSampleEntry::Ident))
                                     .Integer("Value", Field(&TSampleEntry::Value), 0)
                                     .Reference<TComponent>("Target", Field(&TSampleEntry::Target))
                                     .Build();
  return info;
}

const TClassInfo& TSampleThing::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSampleThing>("TSampleThing", &TComponent::StaticClass())
          .Creatable()
          .Integer("Small", Field(&TSampleThing::Small), 0)
          .Integer("Medium", Field(&TSampleThing::Medium), 0)
          .Integer("Number", Field(&TSampleThing::Number), 0)
          .Integer("Big", Field(&TSampleThing::Big), 0)
          .Color("Colour", Field(&TSampleThing::Colour), 0)
          .Enumeration("Mode", Field(&TSampleThing::Mode), ColourModeInfo, 0)
          .Set("Types", Field(&TSampleThing::Types), InstallTypeInfo, 15)
          .Boolean("Flag", Field(&TSampleThing::Flag), false)
          .Boolean("Always", Field(&TSampleThing::Always))
          .String("Text", Field(&TSampleThing::Text), "\\MyApplication")
          .Float("Ratio", Field(&TSampleThing::Ratio))
          .Float("When", Field(&TSampleThing::When), TValueTag::vaDate)
          .Reference<TComponent>("Link", Field(&TSampleThing::Link))
          .Object("Info", [](TSampleThing& t) { return &t.Info; })
          .Object("Lines", [](TSampleThing& t) { return &t.Lines; })
          .Object("Picture", [](TSampleThing& t) { return &t.Picture; })
          .Object("Font", [](TSampleThing& t) { return &t.Font; })
          .Object("Entries", [](TSampleThing& t) { return &t.Entries; })
          .Event("OnPoke", &TSampleThing::OnPoke)
          .Build();
  return info;
}

void TSampleThing::Loaded() {
  TComponent::Loaded();
  ++LoadedCalls;
  LoadedOrder = LoadedCounter++;
}

const TClassInfo& TSampleRoot::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSampleRoot>("TSampleRoot", &TComponent::StaticClass()).Creatable().Build();
  return info;
}

TSampleRoot::TSampleRoot(TComponent* owner) : TComponent(owner) {
  poke_ = std::function<void(TComponent*)>([this](TComponent*) { ++Pokes; });
}

const std::any* TSampleRoot::FindHandler(const std::string& name) const {
  return name == "DoPoke" ? &poke_ : nullptr;
}

void RegisterSampleClasses() {
  RegisterClass(TSampleThing::StaticClass());
  RegisterClass(TSampleRoot::StaticClass());
}

}  // namespace brim::test
