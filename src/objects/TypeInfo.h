// Property metadata: every streamed class publishes a table of its
// properties (name, kind, type information, getter, setter, default). The
// stream reader and writer, the text form, the translator and the tests all
// go through this one table; nothing else parses property names.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "common/types_Brimwell.h"
#include "objects/FormValue.h"
#include "objects/PropFunction.h"

namespace brim {

class TPersistent;
class TComponent;
class TCollectionItem;
class TCollection;
struct TClassInfo;

// The value names of an enumeration, in ordinal order.
struct TEnumInfo {
  std::string Name;
  std::vector<std::string> Values;

  TEnumInfo(std::string name, std::vector<std::string> values)
      : Name(std::move(name)), Values(std::move(values)) {}
  template <size_t N>
  TEnumInfo(std::string name, const char* const (&values)[N]) : Name(std::move(name)) {
    for (const char* v : values) Values.emplace_back(v);
  }
  // Ordinal of a value name (case-insensitive), or -1.
  int IndexOf(const std::string& name) const;
};

// Named integer constants that may stand for a value in a stream
// (colours such as clNavy, character sets such as DEFAULT_CHARSET, cursors).
struct TIdentMap {
  std::string Name;
  std::vector<std::pair<std::string, int64_t>> Entries;
  bool ToInt(const std::string& ident, int64_t& value) const;
  const std::string* ToIdent(int64_t value) const;
};

// Colours: an RGB value (red in the low byte) or a system colour
// (0xFF000000 plus the system colour index). The named ones that code uses;
// ColorIdents names them all for streams.
using TColor = int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);

using TCursor = int32_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crHourGlass = -11;

extern const TIdentMap ColorIdents;
extern const TIdentMap CharsetIdents;
extern const TIdentMap CursorIdents;

enum class TPropKind {
  Integer,      // any width; optional named constants
  Enumeration,  // by value name
  Set,          // of enumeration values
  Boolean,
  String,
  Float,        // written as extended, single, currency or date
  Reference,    // a component of the same form, by name
  Object,       // a nested persistent: sub-object, string list, collection, picture, font
  Event,        // a handler of the form, by name
  Custom,       // an extra stream property that reads and writes its own value
};

// An event property: the bound handler and the handler's name in the form.
template <class Sig>
struct TEvent {
  std::function<Sig> Handler;
  std::string HandlerName;
  explicit operator bool() const { return static_cast<bool>(Handler); }
  template <class... A>
  auto operator()(A&&... args) const {
    return Handler(std::forward<A>(args)...);
  }
};

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  const TEnumInfo* Enum = nullptr;                 // Enumeration, Set
  const TIdentMap* Idents = nullptr;               // Integer
  const TClassInfo* (*RefClass)() = nullptr;       // Reference: the class the target must be
  int IntBits = 32;                                // Integer: the declared width
  bool IntUnsigned = false;                        // Integer: an unsigned type
  TValueTag FloatTag = TValueTag::vaExtended;      // Float: the tag it is written with
  bool HasDefault = false;
  int64_t Default = 0;                             // ordinal default (Integer, Enumeration, Set, Boolean)
  // String: not written when equal to this (the constructor's value);
  // none: always written.
  std::optional<std::string> StringDefault;

  TPropFunction<int64_t(const TPersistent&)> GetOrd;
  TPropFunction<void(TPersistent&, int64_t)> SetOrd;
  TPropFunction<std::string(const TPersistent&)> GetStr;
  TPropFunction<void(TPersistent&, const std::string&)> SetStr;
  TPropFunction<double(const TPersistent&)> GetFloat;
  TPropFunction<void(TPersistent&, double)> SetFloat;
  TPropFunction<TComponent*(const TPersistent&)> GetRef;
  TPropFunction<void(TPersistent&, TComponent*)> SetRef;
  TPropFunction<TPersistent*(TPersistent&)> GetObject;
  TPropFunction<std::string(const TPersistent&)> GetHandlerName;
  // Binds the handler the form offers under that name (a std::function of
  // the event's signature in a std::any); null keeps the name alone. False
  // when the handler has another signature.
  TPropFunction<bool(TPersistent&, const std::string& name, const std::any* handler)> SetHandler;
  TPropFunction<bool(const TPersistent&, TValue&)> WriteCustom;  // false: nothing to write
  TPropFunction<void(TPersistent&, const TValue&)> ReadCustom;
  TPropFunction<bool(const TPersistent&)> Stored;  // optional extra condition for writing
};

using TComponentFactory = TPropFunction<TComponent*(TComponent* owner)>;
using TItemFactory = TPropFunction<TCollectionItem*(TCollection* collection)>;

struct TClassInfo {
  std::string ClassName;
  const TClassInfo* Parent = nullptr;
  std::vector<TPropInfo> Props;   // this class's own properties, in writing order
  TComponentFactory CreateComponent;  // null: not creatable from a stream
  TItemFactory CreateItem;            // collection items

  bool InheritsFrom(const TClassInfo& base) const;
  // Finds a property here or in a parent class (case-insensitive).
  const TPropInfo* FindProp(const std::string& name) const;
  // Every property, parents' first, a redeclared name replacing its parent's.
  // Computed once per class (classes are complete before first use).
  const std::vector<const TPropInfo*>& AllProps() const;
  // Whether any property holds a reference or a nested object, the only
  // ones that can point at another component.
  bool MayReferenceComponents() const;

 private:
  mutable std::vector<const TPropInfo*> allProps_;
  mutable bool allPropsReady_ = false;
  mutable bool mayReference_ = false;
};

// ---- Accessors: how a property reaches its value in the object ----

template <class V>
int64_t ToOrd(const V& v) {
  if constexpr (std::is_enum_v<V>) return static_cast<int64_t>(v);
  else if constexpr (std::is_same_v<V, bool>) return v ? 1 : 0;
  else if constexpr (std::is_integral_v<V>) return static_cast<int64_t>(v);
  else return static_cast<int64_t>(v.Mask());  // TSet
}

template <class V>
V FromOrd(int64_t v) {
  if constexpr (std::is_enum_v<V>) return static_cast<V>(v);
  else if constexpr (std::is_same_v<V, bool>) return v != 0;
  else if constexpr (std::is_integral_v<V>) return static_cast<V>(v);
  else return V::FromMask(static_cast<uint32_t>(v));  // TSet
}

template <class T, class V>
struct TFieldAccess {
  V T::*field;
  using Value = V;
  const V& get(const TPersistent& p) const { return static_cast<const T&>(p).*field; }
  template <class A>
  void set(TPersistent& p, A&& v) const {
    static_cast<T&>(p).*field = std::forward<A>(v);
  }
  V* ptr(TPersistent& p) const { return &(static_cast<T&>(p).*field); }
};

template <class T, class R, class A>
struct TMethodAccess {
  R (T::*getter)() const;
  void (T::*setter)(A);
  using Value = std::decay_t<R>;
  R get(const TPersistent& p) const { return (static_cast<const T&>(p).*getter)(); }
  template <class X>
  void set(TPersistent& p, X&& v) const {
    (static_cast<T&>(p).*setter)(std::forward<X>(v));
  }
};

template <class T, class V>
TFieldAccess<T, V> Field(V T::*f) {
  return {f};
}
template <class T, class R, class A>
TMethodAccess<T, R, A> Methods(R (T::*g)() const, void (T::*s)(A)) {
  return {g, s};
}

// Builds a class's metadata table. Used once per class, inside its
// StaticClass() function.
template <class T>
class TClassBuilder {
 public:
  TClassBuilder(const char* name, const TClassInfo* parent) {
    info_.ClassName = name;
    info_.Parent = parent;
  }

  // A component class that a stream may create by name.
  TClassBuilder& Creatable() {
    info_.CreateComponent = [](TComponent* owner) -> TComponent* { return new T(owner); };
    return *this;
  }
  // A collection item class.
  TClassBuilder& Item() {
    info_.CreateItem = [](TCollection* c) -> TCollectionItem* { return new T(c); };
    return *this;
  }

  template <class Acc>
  TClassBuilder& Integer(const char* name, Acc acc, std::optional<int64_t> def = {},
                         const TIdentMap* idents = nullptr) {
    TPropInfo& p = Add(name, TPropKind::Integer, def);
    using V = typename Acc::Value;
    p.IntBits = sizeof(V) * 8;
    p.IntUnsigned = std::is_unsigned_v<V>;
    p.Idents = idents;
    BindOrd(p, acc);
    return *this;
  }
  template <class Acc>
  TClassBuilder& Color(const char* name, Acc acc, std::optional<int64_t> def = {}) {
    return Integer(name, acc, def, &ColorIdents);
  }
  template <class Acc>
  TClassBuilder& Enumeration(const char* name, Acc acc, const TEnumInfo& e,
                             std::optional<int64_t> def = {}) {
    TPropInfo& p = Add(name, TPropKind::Enumeration, def);
    p.Enum = &e;
    BindOrd(p, acc);
    return *this;
  }
  template <class Acc>
  TClassBuilder& Set(const char* name, Acc acc, const TEnumInfo& e,
                     std::optional<int64_t> def = {}) {
    TPropInfo& p = Add(name, TPropKind::Set, def);
    p.Enum = &e;
    BindOrd(p, acc);
    return *this;
  }
  template <class Acc>
  TClassBuilder& Boolean(const char* name, Acc acc, std::optional<bool> def = {}) {
    std::optional<int64_t> d;
    if (def) d = *def ? 1 : 0;
    TPropInfo& p = Add(name, TPropKind::Boolean, d);
    BindOrd(p, acc);
    return *this;
  }
  template <class Acc>
  TClassBuilder& String(const char* name, Acc acc,
                        std::optional<std::string> constructorValue = std::string()) {
    TPropInfo& p = Add(name, TPropKind::String, {});
    p.StringDefault = std::move(constructorValue);
    p.GetStr = [acc](const TPersistent& o) { return std::string(acc.get(o)); };
    p.SetStr = [acc](TPersistent& o, const std::string& v) { acc.set(o, v); };
    return *this;
  }
  template <class Acc>
  TClassBuilder& Float(const char* name, Acc acc, TValueTag tag = TValueTag::vaExtended) {
    TPropInfo& p = Add(name, TPropKind::Float, {});
    p.FloatTag = tag;
    p.GetFloat = [acc](const TPersistent& o) { return static_cast<double>(acc.get(o)); };
    p.SetFloat = [acc](TPersistent& o, double v) {
      acc.set(o, static_cast<typename Acc::Value>(v));
    };
    return *this;
  }
  // A reference to another component; R is the class the target must be.
  template <class R, class Acc>
  TClassBuilder& Reference(const char* name, Acc acc) {
    TPropInfo& p = Add(name, TPropKind::Reference, {});
    p.RefClass = [] { return &R::StaticClass(); };
    p.GetRef = [acc](const TPersistent& o) -> TComponent* { return acc.get(o); };
    p.SetRef = [acc](TPersistent& o, TComponent* c) { acc.set(o, dynamic_cast<R*>(c)); };
    return *this;
  }
  // A nested persistent owned by the object: `get` (T&) returns a pointer to it.
  template <class Get>
  TClassBuilder& Object(const char* name, Get get) {
    TPropInfo& p = Add(name, TPropKind::Object, {});
    p.GetObject = [get](TPersistent& o) { return get(static_cast<T&>(o)); };
    return *this;
  }
  // An event held in a TEvent<Sig> field.
  template <class TT, class Sig>
  TClassBuilder& Event(const char* name, TEvent<Sig> TT::*field) {
    TPropInfo& p = Add(name, TPropKind::Event, {});
    p.GetHandlerName = [field](const TPersistent& o) {
      return (static_cast<const TT&>(o).*field).HandlerName;
    };
    p.SetHandler = [field](TPersistent& o, const std::string& hname, const std::any* handler) {
      auto& ev = static_cast<TT&>(o).*field;
      const std::function<Sig>* fn = nullptr;
      if (handler && !(fn = std::any_cast<std::function<Sig>>(handler))) return false;
      ev.HandlerName = hname;
      ev.Handler = fn ? *fn : nullptr;
      return true;
    };
    return *this;
  }
  // write(const T&, TValue&) -> bool, read(T&, const TValue&).
  template <class Write, class Read>
  TClassBuilder& Custom(const char* name, Write write, Read read) {
    TPropInfo& p = Add(name, TPropKind::Custom, {});
    p.WriteCustom = [write](const TPersistent& o, TValue& v) {
      return write(static_cast<const T&>(o), v);
    };
    p.ReadCustom = [read](TPersistent& o, const TValue& v) { read(static_cast<T&>(o), v); };
    return *this;
  }
  // Adds a writing condition, stored(const T&) -> bool, to the property
  // declared last.
  template <class Stored>
  TClassBuilder& StoredWhen(Stored stored) {
    info_.Props.back().Stored = [stored](const TPersistent& o) {
      return stored(static_cast<const T&>(o));
    };
    return *this;
  }

  TClassInfo Build() { return std::move(info_); }

 private:
  TPropInfo& Add(const char* name, TPropKind kind, std::optional<int64_t> def) {
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.HasDefault = def.has_value();
    p.Default = def.value_or(0);
    info_.Props.push_back(std::move(p));
    return info_.Props.back();
  }
  template <class Acc>
  static void BindOrd(TPropInfo& p, Acc acc) {
    using V = typename Acc::Value;
    p.GetOrd = [acc](const TPersistent& o) { return ToOrd<V>(acc.get(o)); };
    p.SetOrd = [acc](TPersistent& o, int64_t v) { acc.set(o, FromOrd<V>(v)); };
  }

  TClassInfo info_;
};

// Declares the class metadata members inside a streamed class.
#define BRIM_CLASS(Name)                                                   \
 public:                                                                   \
  static const ::brim::TClassInfo& StaticClass();                          \
  const ::brim::TClassInfo& ClassType() const override { return StaticClass(); }

}  // namespace brim
