// Helpers of the widget and decoration tests: forms loaded from inline
// text and written back, and a small bitmap to put into glyph data.
#pragma once

#include <memory>
#include <string>

#include "engine/InstallDefinition.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"

namespace brim::test {

// Owns a loaded root and frees it the way an owner would.
struct TFreeComponent {
  void operator()(TComponent* c) const { c->Free(); }
};
template <class T = TComponent>
using TOwned = std::unique_ptr<T, TFreeComponent>;

inline TOwned<> LoadText(const std::string& text, const TLoadOptions& options = {}) {
  RegisterStreamClasses();
  return TOwned<>(CreateForm(ParseTextForm(text), options));
}

template <class T>
T* As(const TOwned<>& form) {
  return dynamic_cast<T*>(form.get());
}

inline std::string SaveText(const TComponent& root) { return PrintTextForm(SaveForm(root)); }

// A 2 x 2 24-bit BMP file whose pixels carry the given byte.
inline std::string TinyBitmap(unsigned char shade) {
  auto u32 = [](uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
  };
  auto u16 = [](uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  std::string pixels;
  for (int row = 0; row < 2; ++row) pixels += std::string(6, static_cast<char>(shade)) + std::string(2, '\0');
  std::string info = u32(40) + u32(2) + u32(2) + u16(1) + u16(24) + u32(0) + u32(pixels.size()) + u32(2835) +
                     u32(2835) + u32(0) + u32(0);
  std::string bmp = "BM" + u32(14 + 40 + pixels.size()) + u32(0) + u32(14 + 40);
  return bmp + info + pixels;
}

// Binary bytes as the text form writes them at a property's indent:
// 32 bytes to a line, one level deeper than the property.
inline std::string BinaryText(const std::string& bytes, int indent) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "{";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 32 == 0) out += "\n" + std::string(static_cast<size_t>(indent + 1) * 2, ' ');
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out + "}";
}

// The "Data" of a glyph: the bitmap's size, then the bitmap.
inline std::string GlyphData(const std::string& bmp) {
  std::string size(4, '\0');
  for (int i = 0; i < 4; ++i) size[i] = static_cast<char>(bmp.size() >> (8 * i));
  return size + bmp;
}

}  // namespace brim::test
