#include "objects/TGraphics.h"

#include <cmath>
#include <cstring>

namespace brim {

namespace {

uint32_t ReadU32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

uint16_t ReadU16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) |
                               static_cast<unsigned char>(s[at + 1]) << 8);
}

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::unique_ptr<TGraphic> CreateGraphic(const std::string& className) {
  if (className == "TBitmap") return std::make_unique<TBitmap>();
  if (className == "TIcon") return std::make_unique<TIcon>();
  throw EInvalidGraphic("Unknown graphic class %s in picture data", className);
}

}  // namespace

const TEnumInfo FontStyleInfo("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
const TEnumInfo FontPitchInfo("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});

const TClassInfo& TGraphic::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TGraphic>("TGraphic", &TPersistent::StaticClass())
          .Custom(
              "Data",
              [](const TGraphic& g, TValue& v) {
                if (g.Empty()) return false;
                v = TValue::Binary(g.WriteData());
                return true;
              },
              [](TGraphic& g, const TValue& v) {
                if (v.Tag != TValueTag::vaBinary)
                  throw EInvalidGraphic("Graphic data must be binary, not %s", ValueTagName(v.Tag));
                g.ReadData(v.Str);
              })
          .Build();
  return info;
}

const TClassInfo& TBitmap::StaticClass() {
  static const TClassInfo info = TClassBuilder<TBitmap>("TBitmap", &TGraphic::StaticClass()).Build();
  return info;
}

const TClassInfo& TIcon::StaticClass() {
  static const TClassInfo info = TClassBuilder<TIcon>("TIcon", &TGraphic::StaticClass()).Build();
  return info;
}

void TBitmap::LoadFromBytes(const std::string& bmp) {
  if (bmp.size() < 18 || bmp[0] != 'B' || bmp[1] != 'M')
    throw EInvalidGraphic("Bitmap image is not valid: no BMP file header");
  uint32_t headerSize = ReadU32(bmp, 14);
  int32_t w, h;
  if (headerSize == 12) {
    if (bmp.size() < 26) throw EInvalidGraphic("Bitmap image is not valid: header truncated");
    w = ReadU16(bmp, 18);
    h = ReadU16(bmp, 20);
  } else if (headerSize >= 40 && headerSize <= 124) {
    if (bmp.size() < 14 + static_cast<size_t>(headerSize))
      throw EInvalidGraphic("Bitmap image is not valid: header truncated");
    w = static_cast<int32_t>(ReadU32(bmp, 18));
    h = static_cast<int32_t>(ReadU32(bmp, 22));
  } else {
    throw EInvalidGraphic("Bitmap image is not valid: unknown header size %d", headerSize);
  }
  uint32_t bitsOffset = ReadU32(bmp, 10);
  if (bitsOffset > bmp.size() || w < 0 || h == INT32_MIN)
    throw EInvalidGraphic("Bitmap image is not valid: bad size or pixel offset");
  bmp_ = bmp;
  width_ = w;
  height_ = h < 0 ? -h : h;
}

void TBitmap::Clear() {
  bmp_.clear();
  width_ = height_ = 0;
}

void TBitmap::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

std::string TBitmap::WriteData() const { return U32(static_cast<uint32_t>(bmp_.size())) + bmp_; }

void TBitmap::ReadData(const std::string& data) {
  if (data.empty()) {
    Clear();
    return;
  }
  if (data.size() < 4) throw EInvalidGraphic("Bitmap data truncated: no length");
  uint32_t len = ReadU32(data, 0);
  if (len != data.size() - 4)
    throw EInvalidGraphic("Bitmap data length %u does not match the %u bytes present", len,
                          static_cast<unsigned>(data.size() - 4));
  LoadFromBytes(data.substr(4));
}

void TBitmap::Assign(const TPersistent& source) {
  if (auto* b = dynamic_cast<const TBitmap*>(&source)) {
    bmp_ = b->bmp_;
    width_ = b->width_;
    height_ = b->height_;
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(&source)) {
    if (!p->Graphic()) {
      Clear();
      return;
    }
    Assign(*p->Graphic());
    return;
  }
  throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
}

void TIcon::LoadFromBytes(const std::string& ico) {
  if (ico.empty()) {
    ico_.clear();
    width_ = height_ = 0;
    return;
  }
  if (ico.size() < 6 || ReadU16(ico, 0) != 0 || (ReadU16(ico, 2) != 1 && ReadU16(ico, 2) != 2))
    throw EInvalidGraphic("Icon image is not valid: no icon header");
  uint16_t count = ReadU16(ico, 4);
  if (count == 0 || ico.size() < 6 + 16u * count)
    throw EInvalidGraphic("Icon image is not valid: directory truncated");
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t size = ReadU32(ico, 6 + 16 * i + 8), offset = ReadU32(ico, 6 + 16 * i + 12);
    if (offset > ico.size() || size > ico.size() - offset)
      throw EInvalidGraphic("Icon image is not valid: image %d lies outside the file", i);
  }
  ico_ = ico;
  width_ = static_cast<unsigned char>(ico[6]) ? static_cast<unsigned char>(ico[6]) : 256;
  height_ = static_cast<unsigned char>(ico[7]) ? static_cast<unsigned char>(ico[7]) : 256;
}

void TIcon::Assign(const TPersistent& source) {
  auto* i = dynamic_cast<const TIcon*>(&source);
  if (!i) throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  ico_ = i->ico_;
  width_ = i->width_;
  height_ = i->height_;
}

const TClassInfo& TPicture::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPicture>("TPicture", &TPersistent::StaticClass())
          .Custom(
              "Data",
              [](const TPicture& p, TValue& v) {
                if (p.Empty()) return false;
                const std::string& name = p.graphic_->ClassName();
                std::string data(1, static_cast<char>(name.size()));
                data += name + p.graphic_->WriteData();
                v = TValue::Binary(std::move(data));
                return true;
              },
              [](TPicture& p, const TValue& v) {
                if (v.Tag != TValueTag::vaBinary)
                  throw EInvalidGraphic("Picture data must be binary, not %s", ValueTagName(v.Tag));
                const std::string& d = v.Str;
                if (d.empty()) {
                  p.graphic_.reset();
                  return;
                }
                size_t n = static_cast<unsigned char>(d[0]);
                if (1 + n > d.size()) throw EInvalidGraphic("Picture data truncated in its class name");
                auto g = CreateGraphic(d.substr(1, n));
                g->ReadData(d.substr(1 + n));
                p.graphic_ = std::move(g);
              })
          .Build();
  return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) graphic_ = std::make_unique<TBitmap>();
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::Assign(const TPersistent& source) {
  if (auto* p = dynamic_cast<const TPicture*>(&source)) {
    if (!p->graphic_) {
      graphic_.reset();
      return;
    }
    auto g = CreateGraphic(p->graphic_->ClassName());
    g->Assign(*p->graphic_);
    graphic_ = std::move(g);
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(&source)) {
    auto copy = CreateGraphic(g->ClassName());
    copy->Assign(*g);
    graphic_ = std::move(copy);
    return;
  }
  throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
}

const TClassInfo& TFont::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFont>("TFont", &TPersistent::StaticClass())
          .Integer("Charset", Field(&TFont::Charset), std::nullopt, &CharsetIdents)
          .Color("Color", Field(&TFont::Color))
          .Integer("Height", Field(&TFont::Height))
          .String("Name", Field(&TFont::Name), std::nullopt)
          .Enumeration("Pitch", Field(&TFont::Pitch), FontPitchInfo, 0)
          .Set("Style", Field(&TFont::Style), FontStyleInfo)
          .Build();
  return info;
}

int TFont::Size() const {
  return static_cast<int>(std::lround(-static_cast<double>(Height) * 72.0 / 96.0));
}

void TFont::SetSize(int points) {
  Height = -static_cast<int32_t>(std::lround(points * 96.0 / 72.0));
}

void TFont::Assign(const TPersistent& source) {
  auto* f = dynamic_cast<const TFont*>(&source);
  if (!f) throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  Charset = f->Charset;
  Color = f->Color;
  Height = f->Height;
  Name = f->Name;
  Pitch = f->Pitch;
  Style = f->Style;
}

}  // namespace brim
