#include "objects/FormLoader.h"

#include <algorithm>
#include <memory>

#include "common/routines_Strings.h"
#include "objects/BinaryForm.h"
#include "objects/ClassRegistry.h"
#include "objects/TCollection.h"
#include "objects/TextForm.h"

namespace brim {

namespace {

// Where in the stream the loader is, for the error message.
struct TContext {
  const TComponent* Component;
  std::string Path;  // property path
  TSourcePos Pos;
};

[[noreturn]] void Fail(const TContext& c, const std::string& what) {
  std::string who = c.Component ? c.Component->Name() : std::string();
  std::string cls = c.Component ? c.Component->ClassName() : std::string();
  if (who.empty()) who = "<unnamed>";
  if (c.Path.empty())
    throw EStreamError("Error reading %s (%s) at %s: %s", who, cls, c.Pos.Describe(), what);
  throw EStreamError("Error reading %s.%s (%s) at %s: %s", who, c.Path, cls, c.Pos.Describe(), what);
}

bool InIntRange(int64_t v, int bits, bool isUnsigned) {
  if (bits >= 64) return !isUnsigned || v >= 0;
  if (isUnsigned) return v >= 0 && v < (int64_t{1} << bits);
  int64_t lo = -(int64_t{1} << (bits - 1));
  int64_t hi = (int64_t{1} << (bits - 1)) - 1;
  // A 32-bit value may also be written as its unsigned bit pattern
  // ($FF00000F for a system colour).
  if (bits == 32) hi = (int64_t{1} << 32) - 1;
  return v >= lo && v <= hi;
}

int64_t Narrow(int64_t v, int bits) {
  if (bits >= 64) return v;
  uint64_t mask = (uint64_t{1} << bits) - 1;
  uint64_t u = static_cast<uint64_t>(v) & mask;
  if (u & (uint64_t{1} << (bits - 1))) return static_cast<int64_t>(u | ~mask);
  return static_cast<int64_t>(u);
}

class TLoader {
 public:
  TLoader(TComponent& root, const TLoadOptions& o) : root_(root), options_(o) {}

  void Load(const TObjectRecord& r) {
    TContext ctx{&root_, "", r.Pos};
    if (!SameText(r.ClassName, root_.ClassName()))
      Fail(ctx, Format("the stream holds a %s where a %s was expected", r.ClassName, root_.ClassName()));
    if (options_.Designing) root_.SetDesigning(true);
    Begin(root_);
    SetName(root_, r.Name, ctx);
    ReadProps(root_, root_, r.Props);
    root_.EndReading();
    for (const auto& child : r.Children) ReadChild(child, &root_, &root_);
    ResolveFixups();
    for (TComponent* c : loaded_) c->Loaded();
  }

 private:
  struct TFixup {
    TPersistent* Object;
    const TPropInfo* Prop;
    std::string Target;
    TContext Ctx;
    // The collections whose items hold Object, innermost last: reading
    // one of them again frees its items, and their fixups with them.
    std::vector<const TCollection*> Collections;
  };

  void Begin(TComponent& c) {
    c.BeginLoading();
    loaded_.push_back(&c);
  }

  void SetName(TComponent& c, const std::string& name, const TContext& ctx) {
    try {
      c.SetName(name);
    } catch (const Exception& e) {
      Fail(ctx, e.Message());
    }
  }

  void ReadChild(const TObjectRecord& r, TComponent* parent, TComponent* owner) {
    TContext ctx{nullptr, "", r.Pos};
    const TClassInfo* cls = FindClass(r.ClassName);
    if (!cls) Fail(ctx, Format("class %s not found", r.ClassName));
    TComponent* comp = nullptr;
    if (r.Flags & ffInherited) {
      comp = owner->FindComponent(r.Name);
      if (!comp) Fail(ctx, Format("the inherited component %s is not there", r.Name));
      if (!comp->InheritsFrom(*cls))
        Fail(ctx, Format("the inherited component %s is a %s, not a %s", r.Name, comp->ClassName(), r.ClassName));
    } else {
      if (!cls->CreateComponent)
        Fail(ctx, Format("%s is not a component class that a stream can create", cls->ClassName));
      // A name that is taken is refused when the new component is named:
      // some classes take the name over from a component their
      // neighbours made for them.
      try {
        comp = cls->CreateComponent(owner);
      } catch (const Exception& e) {
        Fail(ctx, Format("cannot create %s %s: %s", r.ClassName, r.Name, e.Message()));
      }
    }
    ctx.Component = comp;
    Begin(*comp);
    SetName(*comp, r.Name, ctx);
    try {
      comp->SetParentComponent(parent);
    } catch (const Exception& e) {
      Fail(ctx, e.Message());
    }
    ReadProps(*comp, *comp, r.Props);
    comp->EndReading();
    TComponent* childOwner = (r.Flags & ffInline) ? comp : owner;
    for (const auto& child : r.Children) ReadChild(child, comp, childOwner);
  }

  void ReadProps(TComponent& comp, TPersistent& object, const std::vector<TPropertyValue>& props) {
    for (const auto& pv : props) ReadProperty(comp, object, pv, "");
  }

  void ReadProperty(TComponent& comp, TPersistent& object, const TPropertyValue& pv,
                    const std::string& pathPrefix) {
    TContext ctx{&comp, pathPrefix + pv.Name, pv.Pos};
    TPersistent* cur = &object;
    std::vector<std::string> parts;
    size_t b = 0;
    for (size_t dot; (dot = pv.Name.find('.', b)) != std::string::npos; b = dot + 1)
      parts.push_back(pv.Name.substr(b, dot - b));
    parts.push_back(pv.Name.substr(b));
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* p = cur->ClassType().FindProp(parts[i]);
      if (!p) Fail(ctx, Format("%s has no property %s", cur->ClassName(), parts[i]));
      if (p->Kind != TPropKind::Object)
        Fail(ctx, Format("%s.%s is not an object with properties", cur->ClassName(), parts[i]));
      TPersistent* next = p->GetObject(*cur);
      if (!next) Fail(ctx, Format("%s.%s is not assigned", cur->ClassName(), parts[i]));
      cur = next;
    }
    const TPropInfo* p = cur->ClassType().FindProp(parts.back());
    if (!p) Fail(ctx, Format("%s has no property %s", cur->ClassName(), parts.back()));
    try {
      Assign(comp, *cur, *p, pv.Value, ctx);
    } catch (const EStreamError&) {
      throw;
    } catch (const Exception& e) {
      Fail(ctx, e.Message());
    }
  }

  [[noreturn]] void WrongKind(const TContext& ctx, const TPropInfo& p, const TValue& v, const std::string& want) {
    TContext at = ctx;
    at.Pos = v.Pos;
    Fail(at, Format("%s is not a valid value: %s expects %s", std::string(ValueTagName(v.Tag)), p.Name,
                    want));
  }

  void Assign(TComponent& comp, TPersistent& obj, const TPropInfo& p, const TValue& v, const TContext& ctx) {
    switch (p.Kind) {
      case TPropKind::Integer: {
        int64_t n;
        if (v.IsInteger()) {
          n = v.Int;
        } else if (v.Tag == TValueTag::vaIdent && p.Idents && p.Idents->ToInt(v.Str, n)) {
        } else if (v.Tag == TValueTag::vaIdent && p.Idents) {
          TContext at = ctx;
          at.Pos = v.Pos;
          Fail(at, Format("%s is not a constant of %s", v.Str, p.Idents->Name));
        } else {
          WrongKind(ctx, p, v, "an integer");
        }
        if (!InIntRange(n, p.IntBits, p.IntUnsigned))
          Fail(ctx, Format("%d is out of range for a%s %d-bit integer", n,
                           std::string(p.IntUnsigned ? "n unsigned" : ""), p.IntBits));
        p.SetOrd(obj, p.IntUnsigned ? n : Narrow(n, p.IntBits));
        return;
      }
      case TPropKind::Enumeration: {
        if (v.Tag != TValueTag::vaIdent) WrongKind(ctx, p, v, "a value of " + p.Enum->Name);
        int i = p.Enum->IndexOf(v.Str);
        if (i < 0) Fail(ctx, Format("%s is not a value of %s", v.Str, p.Enum->Name));
        p.SetOrd(obj, i);
        return;
      }
      case TPropKind::Set: {
        if (v.Tag != TValueTag::vaSet) WrongKind(ctx, p, v, "a set of " + p.Enum->Name);
        uint64_t mask = 0;
        for (const auto& m : v.Set) {
          int i = p.Enum->IndexOf(m);
          if (i < 0 || i >= 32) Fail(ctx, Format("%s is not a value of %s", m, p.Enum->Name));
          mask |= uint64_t{1} << i;
        }
        p.SetOrd(obj, static_cast<int64_t>(mask));
        return;
      }
      case TPropKind::Boolean:
        if (v.Tag != TValueTag::vaTrue && v.Tag != TValueTag::vaFalse) WrongKind(ctx, p, v, "True or False");
        p.SetOrd(obj, v.Tag == TValueTag::vaTrue ? 1 : 0);
        return;
      case TPropKind::String:
        if (!v.IsString()) WrongKind(ctx, p, v, "a string");
        p.SetStr(obj, v.AsAnsi());
        return;
      case TPropKind::Float:
        if (!v.IsFloat() && !v.IsInteger()) WrongKind(ctx, p, v, "a number");
        p.SetFloat(obj, v.AsDouble());
        return;
      case TPropKind::Reference:
        if (v.Tag == TValueTag::vaNil) {
          p.SetRef(obj, nullptr);
          return;
        }
        if (v.Tag != TValueTag::vaIdent) WrongKind(ctx, p, v, "a component name");
        fixups_.push_back({&obj, &p, v.Str, ctx, collections_});
        return;
      case TPropKind::Object: {
        TPersistent* nested = p.GetObject(obj);
        if (!nested) Fail(ctx, "the object is not assigned");
        if (v.Tag == TValueTag::vaNil) return;
        auto* coll = dynamic_cast<TCollection*>(nested);
        if (!coll) WrongKind(ctx, p, v, "its properties by name (" + p.Name + ".Property = ...)");
        if (v.Tag != TValueTag::vaCollection) WrongKind(ctx, p, v, "a collection");
        // A collection given twice is read again from empty; the
        // references of the items it frees must not be resolved.
        std::erase_if(fixups_, [coll](const TFixup& f) {
          return std::find(f.Collections.begin(), f.Collections.end(), coll) != f.Collections.end();
        });
        coll->Clear();
        collections_.push_back(coll);
        for (const auto& item : v.Items) {
          TCollectionItem* it = coll->Add();
          for (const auto& ipv : item.Props) ReadProperty(comp, *it, ipv, ctx.Path + "[" + std::to_string(coll->Count() - 1) + "].");
        }
        collections_.pop_back();
        return;
      }
      case TPropKind::Event: {
        if (v.Tag == TValueTag::vaNil) {
          p.SetHandler(obj, "", nullptr);
          return;
        }
        if (v.Tag != TValueTag::vaIdent) WrongKind(ctx, p, v, "a handler name");
        const std::any* handler = root_.FindHandler(v.Str);
        if (!handler && !options_.Designing)
          Fail(ctx, Format("the form %s has no handler %s", root_.ClassName(), v.Str));
        if (!p.SetHandler(obj, v.Str, handler))
          Fail(ctx, Format("the handler %s does not fit the event %s", v.Str, p.Name));
        return;
      }
      case TPropKind::Custom:
        p.ReadCustom(obj, v);
        return;
    }
  }

  void ResolveFixups() {
    for (const auto& f : fixups_) {
      TComponent* target = SameText(f.Target, root_.Name()) ? &root_ : root_.FindComponent(f.Target);
      if (!target) Fail(f.Ctx, Format("the component %s does not exist", f.Target));
      const TClassInfo* want = f.Prop->RefClass();
      if (!target->InheritsFrom(*want))
        Fail(f.Ctx, Format("%s is a %s, not a %s", f.Target, target->ClassName(), want->ClassName));
      try {
        f.Prop->SetRef(*f.Object, target);
      } catch (const Exception& e) {
        Fail(f.Ctx, e.Message());
      }
    }
  }

  TComponent& root_;
  TLoadOptions options_;
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
  std::vector<const TCollection*> collections_;  // the collections being read, outermost first
};

class TSaver {
 public:
  explicit TSaver(const TComponent& root) : root_(root) {}

  TObjectRecord Save(const TComponent& c) {
    TObjectRecord r;
    r.ClassName = c.ClassName();
    r.Name = c.Name();
    WriteProps(c, const_cast<TComponent&>(c), "", r.Props);
    for (TComponent* child : c.GetChildren(const_cast<TComponent*>(&root_))) r.Children.push_back(Save(*child));
    return r;
  }

 private:
  [[noreturn]] void Fail(const TComponent& c, const std::string& path, const std::string& what) {
    throw EStreamError("Cannot write %s.%s (%s): %s", c.Name(), path, c.ClassName(), what);
  }

  void WriteProps(const TComponent& owner, TPersistent& obj, const std::string& prefix,
                  std::vector<TPropertyValue>& out) {
    for (const TPropInfo* p : obj.ClassType().AllProps()) {
      if (p->Stored && !p->Stored(obj)) continue;
      std::string name = prefix + p->Name;
      TValue v;
      switch (p->Kind) {
        case TPropKind::Integer: {
          int64_t n = p->GetOrd(obj);
          if (p->HasDefault && n == p->Default) continue;
          const std::string* ident = p->Idents ? p->Idents->ToIdent(n) : nullptr;
          v = ident ? TValue::Ident(*ident) : TValue::Integer(n);
          break;
        }
        case TPropKind::Enumeration: {
          int64_t n = p->GetOrd(obj);
          if (p->HasDefault && n == p->Default) continue;
          if (n < 0 || n >= static_cast<int64_t>(p->Enum->Values.size()))
            Fail(owner, name, Format("%d is not a value of %s", n, p->Enum->Name));
          v = TValue::Ident(p->Enum->Values[n]);
          break;
        }
        case TPropKind::Set: {
          int64_t n = p->GetOrd(obj);
          if (p->HasDefault && n == p->Default) continue;
          v.Tag = TValueTag::vaSet;
          for (size_t i = 0; i < p->Enum->Values.size() && i < 32; ++i)
            if (n & (int64_t{1} << i)) v.Set.push_back(p->Enum->Values[i]);
          break;
        }
        case TPropKind::Boolean: {
          int64_t n = p->GetOrd(obj);
          if (p->HasDefault && n == p->Default) continue;
          v = TValue::Boolean(n != 0);
          break;
        }
        case TPropKind::String: {
          std::string s = p->GetStr(obj);
          if (p->StringDefault && s == *p->StringDefault) continue;
          v = TValue::String(std::move(s));
          break;
        }
        case TPropKind::Float: {
          double d = p->GetFloat(obj);
          if (d == 0) continue;
          if (p->FloatTag == TValueTag::vaDate) v = TValue::Date(d);
          else if (p->FloatTag == TValueTag::vaSingle) v = TValue::Single(static_cast<float>(d));
          else v = TValue::ExtendedFloat(d);
          break;
        }
        case TPropKind::Reference: {
          TComponent* target = p->GetRef(obj);
          if (!target) continue;
          if (target->Name().empty()) Fail(owner, name, "it refers to a component without a name");
          v = TValue::Ident(target->Name());
          break;
        }
        case TPropKind::Object: {
          TPersistent* nested = p->GetObject(obj);
          if (!nested || dynamic_cast<TComponent*>(nested)) continue;
          if (auto* coll = dynamic_cast<TCollection*>(nested)) {
            if (coll->Count() == 0) continue;
            v.Tag = TValueTag::vaCollection;
            for (int i = 0; i < coll->Count(); ++i) {
              TCollectionItemValue item;
              WriteProps(owner, *coll->Items(i), "", item.Props);
              v.Items.push_back(std::move(item));
            }
            break;
          }
          WriteProps(owner, *nested, name + ".", out);
          continue;
        }
        case TPropKind::Event: {
          std::string h = p->GetHandlerName(obj);
          if (h.empty()) continue;
          v = TValue::Ident(h);
          break;
        }
        case TPropKind::Custom:
          if (!p->WriteCustom(obj, v)) continue;
          break;
      }
      out.push_back({name, std::move(v), {}});
    }
  }

  const TComponent& root_;
};

}  // namespace

void LoadForm(TComponent& root, const TObjectRecord& record, const TLoadOptions& options) {
  TLoader(root, options).Load(record);
}

TComponent* CreateForm(const TObjectRecord& record, const TLoadOptions& options) {
  const TClassInfo* cls = FindClass(record.ClassName);
  if (!cls || !cls->CreateComponent)
    throw EStreamError("Error reading the root at %s: class %s not found", record.Pos.Describe(), record.ClassName);
  TComponent* root = nullptr;
  try {
    if (options.Designing) {
      // Mark the root as designed before its constructor's children exist.
      TComponent designer(nullptr);
      designer.SetDesigning(true);
      root = cls->CreateComponent(&designer);
      designer.RemoveComponent(root);
    } else {
      root = cls->CreateComponent(nullptr);
    }
  } catch (const EStreamError&) {
    throw;
  } catch (const Exception& e) {
    throw EStreamError("Error reading the root at %s: cannot create %s: %s", record.Pos.Describe(),
                       record.ClassName, e.Message());
  }
  std::unique_ptr<TComponent> guard(root);
  LoadForm(*root, record, options);
  return guard.release();
}

TObjectRecord SaveForm(const TComponent& root) { return TSaver(root).Save(root); }

TObjectRecord ParseForm(const std::string& data) {
  if (data.size() >= 4 && data.compare(0, 4, FormSignature) == 0) return ReadBinaryForm(data);
  return ParseTextForm(data);
}

}  // namespace brim
