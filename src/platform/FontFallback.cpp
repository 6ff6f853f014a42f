// The usual faces per script: the ones Windows itself uses for dialogs in
// that language, then the free faces Linux distributions (and so Wine)
// bring for it.
#include "platform/FontFallback.h"

#include <algorithm>

#include "platform/CodePages.h"

namespace brim {

namespace {

bool SameFace(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

const std::vector<std::string>& UsualFaces(int32_t charset) {
  static const std::vector<std::string> japanese = {
      "MS UI Gothic", "MS PGothic", "MS Gothic", "Meiryo UI", "Meiryo", "Yu Gothic UI",
      "Noto Sans CJK JP", "IPAPGothic", "VL PGothic", "TakaoPGothic", "WenQuanYi Micro Hei",
      "WenQuanYi Zen Hei", "Droid Sans Fallback"};
  static const std::vector<std::string> korean = {
      "Gulim", "Dotum", "Malgun Gothic", "Batang", "Noto Sans CJK KR", "NanumGothic", "UnDotum",
      "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Droid Sans Fallback"};
  static const std::vector<std::string> simplified = {
      "SimSun", "NSimSun", "Microsoft YaHei", "SimHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei",
      "WenQuanYi Zen Hei", "AR PL UMing CN", "Droid Sans Fallback"};
  static const std::vector<std::string> traditional = {
      "PMingLiU", "MingLiU", "Microsoft JhengHei", "Noto Sans CJK TC", "WenQuanYi Micro Hei",
      "WenQuanYi Zen Hei", "AR PL UMing TW", "Droid Sans Fallback"};
  static const std::vector<std::string> alphabetic = {
      "MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial", "Segoe UI", "DejaVu Sans",
      "Liberation Sans", "Noto Sans", "FreeSans"};
  switch (charset) {
    case charsetShiftJis: return japanese;
    case charsetHangeul:
    case 130: return korean;
    case charsetGb2312: return simplified;
    case charsetChineseBig5: return traditional;
    default: return alphabetic;
  }
}

}  // namespace

std::string ChooseFontFace(const std::string& requested, int32_t charset,
                           const std::vector<std::string>& installed) {
  auto has = [&](const std::string& face) {
    return std::any_of(installed.begin(), installed.end(), [&](const std::string& i) { return SameFace(i, face); });
  };
  if (has(requested)) return requested;
  for (const std::string& face : UsualFaces(charset))
    if (has(face)) return face;
  for (const std::string& face : installed)
    if (!face.empty() && face[0] != '@') return face;
  return requested;
}

}  // namespace brim
