#include "objects/TypeInfo.h"

#include "common/routines_Strings.h"

namespace brim {

int TEnumInfo::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < Values.size(); ++i)
    if (SameText(Values[i], name)) return static_cast<int>(i);
  return -1;
}

bool TIdentMap::ToInt(const std::string& ident, int64_t& value) const {
  for (const auto& [n, v] : Entries)
    if (SameText(n, ident)) {
      value = v;
      return true;
    }
  return false;
}

const std::string* TIdentMap::ToIdent(int64_t value) const {
  for (const auto& e : Entries)
    if (e.second == value) return &e.first;
  return nullptr;
}

namespace {
constexpr int64_t Sys(int index) { return static_cast<int32_t>(0xFF000000u | index); }
}  // namespace

const TIdentMap ColorIdents{
    "TColor",
    {{"clBlack", clBlack},       {"clMaroon", 0x000080},   {"clGreen", 0x008000},
     {"clOlive", 0x008080},       {"clNavy", clNavy},     {"clPurple", 0x800080},
     {"clTeal", 0x808000},        {"clGray", clGray},     {"clSilver", 0xC0C0C0},
     {"clRed", 0x0000FF},         {"clLime", 0x00FF00},     {"clYellow", 0x00FFFF},
     {"clBlue", clBlue},        {"clFuchsia", 0xFF00FF},  {"clAqua", 0xFFFF00},
     {"clWhite", clWhite},       {"clNone", 0x1FFFFFFF},   {"clDefault", 0x20000000},
     {"clScrollBar", Sys(0)},     {"clBackground", Sys(1)}, {"clActiveCaption", Sys(2)},
     {"clInactiveCaption", Sys(3)}, {"clMenu", Sys(4)},     {"clWindow", clWindow},
     {"clWindowFrame", Sys(6)},   {"clMenuText", Sys(7)},   {"clWindowText", clWindowText},
     {"clCaptionText", Sys(9)},   {"clActiveBorder", Sys(10)}, {"clInactiveBorder", Sys(11)},
     {"clAppWorkSpace", Sys(12)}, {"clHighlight", Sys(13)}, {"clHighlightText", Sys(14)},
     {"clBtnFace", clBtnFace},      {"clBtnShadow", Sys(16)}, {"clGrayText", Sys(17)},
     {"clBtnText", Sys(18)},      {"clInactiveCaptionText", Sys(19)},
     {"clBtnHighlight", Sys(20)}, {"cl3DDkShadow", Sys(21)}, {"cl3DLight", Sys(22)},
     {"clInfoText", Sys(23)},     {"clInfoBk", Sys(24)}}};

const TIdentMap CharsetIdents{"TFontCharset",
                              {{"ANSI_CHARSET", 0},
                               {"DEFAULT_CHARSET", 1},
                               {"SYMBOL_CHARSET", 2},
                               {"MAC_CHARSET", 77},
                               {"SHIFTJIS_CHARSET", 128},
                               {"HANGEUL_CHARSET", 129},
                               {"JOHAB_CHARSET", 130},
                               {"GB2312_CHARSET", 134},
                               {"CHINESEBIG5_CHARSET", 136},
                               {"GREEK_CHARSET", 161},
                               {"TURKISH_CHARSET", 162},
                               {"VIETNAMESE_CHARSET", 163},
                               {"HEBREW_CHARSET", 177},
                               {"ARABIC_CHARSET", 178},
                               {"BALTIC_CHARSET", 186},
                               {"RUSSIAN_CHARSET", 204},
                               {"THAI_CHARSET", 222},
                               {"EASTEUROPE_CHARSET", 238},
                               {"OEM_CHARSET", 255}}};

const TIdentMap CursorIdents{"TCursor",
                             {{"crDefault", crDefault},    {"crNone", -1},       {"crArrow", -2},
                              {"crCross", -3},     {"crIBeam", -4},      {"crSize", -22},
                              {"crSizeNESW", -6},  {"crSizeNS", -7},     {"crSizeNWSE", -8},
                              {"crSizeWE", -9},    {"crUpArrow", -10},   {"crHourGlass", crHourGlass},
                              {"crDrag", -12},     {"crNoDrop", -13},    {"crHSplit", -14},
                              {"crVSplit", -15},   {"crMultiDrag", -16}, {"crSQLWait", -17},
                              {"crNo", -18},       {"crAppStart", -19},  {"crHelp", -20},
                              {"crHandPoint", -21}, {"crSizeAll", -22}}};

bool TClassInfo::InheritsFrom(const TClassInfo& base) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == &base) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProp(const std::string& name) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    for (const auto& p : c->Props)
      if (SameText(p.Name, name)) return &p;
  return nullptr;
}

const std::vector<const TPropInfo*>& TClassInfo::AllProps() const {
  if (allPropsReady_) return allProps_;
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
  std::vector<const TPropInfo*> props;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const auto& p : (*it)->Props) {
      bool replaced = false;
      for (auto& existing : props)
        if (SameText(existing->Name, p.Name)) {
          existing = &p;
          replaced = true;
          break;
        }
      if (!replaced) props.push_back(&p);
    }
  allProps_ = std::move(props);
  mayReference_ = false;
  for (const TPropInfo* p : allProps_)
    if (p->Kind == TPropKind::Reference || p->Kind == TPropKind::Object) mayReference_ = true;
  allPropsReady_ = true;
  return allProps_;
}

bool TClassInfo::MayReferenceComponents() const {
  AllProps();
  return mayReference_;
}

}  // namespace brim
