// A bare form for tests of the install vocabulary: definitions are written
// inline in text form with this class as their root, loaded into real
// objects and saved back. The form offers event handlers by name so
// that event properties can be bound.
#pragma once

#include <optional>
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "objects/FormLoader.h"
#include "objects/FormValue.h"
#include "objects/TComponent.h"
#include "widgets/Forms.h"

namespace brim::test {

// What both test roots offer: handlers by name and lookup by class.
template <class Base>
class TTestRoot : public Base {
 public:
  using Base::Base;
  const std::any* FindHandler(const std::string& name) const override {
    auto it = Handlers.find(name);
    return it == Handlers.end() ? nullptr : &it->second;
  }

  // Handlers the stream may name; add before loading.
  std::map<std::string, std::any> Handlers;

  template <class T>
  T* Find(const std::string& name) const {
    return dynamic_cast<T*>(this->FindComponent(name));
  }
};

class TDefinitionTestForm : public TTestRoot<TComponent> {
  BRIM_CLASS(TDefinitionTestForm)

 public:
  explicit TDefinitionTestForm(TComponent* owner) : TTestRoot(owner) {}
};

// A form, as in a setup program: an installation component belongs on one.
// Its first install container gives it the standard path specifiers.
class TDefinitionTestMainForm : public TTestRoot<TForm> {
  BRIM_CLASS(TDefinitionTestMainForm)

 public:
  explicit TDefinitionTestMainForm(TComponent* owner) : TTestRoot(owner) {}
};

// Wraps the components' text in "object Form: TDefinitionTestForm ... end".
std::string FormText(const std::string& components);

// Loads a complete text form into a new test form (handlers are added
// before loading, so they can be bound).
std::unique_ptr<TDefinitionTestForm> LoadDefinition(
    const std::string& text, std::map<std::string, std::any> handlers = {});
// The same for the body only.
std::unique_ptr<TDefinitionTestForm> LoadComponents(
    const std::string& components, std::map<std::string, std::any> handlers = {});

// The same on a TDefinitionTestMainForm.
std::unique_ptr<TDefinitionTestMainForm> LoadOnForm(const std::string& components,
                                                    std::map<std::string, std::any> handlers = {});

// The properties a component writes, in writing order.
std::vector<TPropertyValue> SavedProperties(const TComponent& root, const std::string& name);
// Their names only.
std::vector<std::string> SavedNames(const TComponent& root, const std::string& name);
// The saved value of a property, or none when it was not written (by
// value: the list it comes from is often a temporary).
std::optional<TValue> SavedValue(const std::vector<TPropertyValue>& props, const std::string& name);

// The message of the exception a load raises, or "" when it loads.
std::string LoadError(const std::string& components);
std::string LoadErrorOnForm(const std::string& components);
// The message of the exception the call raises, or "" when it returns.
std::string MessageOf(const std::function<void()>& call);

// Passes when the text contains the part.
testing::AssertionResult AssertContains(const char* textExpr, const char* partExpr,
                                        const std::string& text, const std::string& part);
#define EXPECT_CONTAINS(text, part) \
  EXPECT_PRED_FORMAT2(::brim::test::AssertContains, text, part)

}  // namespace brim::test
