#include "common/Format.h"

#include <cstdio>

#include "common/exceptions_Brimwell.h"

namespace brim {

namespace {

[[noreturn]] void Invalid(const std::string& fmt) {
  throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

std::string Pad(std::string s, int width, bool left) {
  if (width > 0 && static_cast<int>(s.size()) < width) {
    std::string fill(width - s.size(), ' ');
    s = left ? s + fill : fill + s;
  }
  return s;
}

}  // namespace

std::string FormatArgs(const std::string& fmt, const std::vector<TVarRec>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= fmt.size()) Invalid(fmt);
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    bool left = false;
    if (fmt[i] == '-') {
      left = true;
      if (++i >= fmt.size()) Invalid(fmt);
    }
    int width = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      width = width * 10 + (fmt[i++] - '0');
      if (width > 4096) Invalid(fmt);
    }
    int prec = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      prec = 0;
      ++i;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        prec = prec * 10 + (fmt[i++] - '0');
        if (prec > 4096) Invalid(fmt);
      }
    }
    if (i >= fmt.size() || next >= args.size()) Invalid(fmt);
    const auto& v = args[next++].Value();
    char conv = static_cast<char>(fmt[i] | 0x20);  // directives are case-insensitive
    std::string piece;
    char buf[128];
    switch (conv) {
      case 's': {
        const auto* s = std::get_if<std::string>(&v);
        if (!s) Invalid(fmt);
        piece = prec >= 0 && static_cast<size_t>(prec) < s->size() ? s->substr(0, prec) : *s;
        break;
      }
      case 'd':
      case 'u':
      case 'x': {
        const auto* n = std::get_if<int64_t>(&v);
        if (!n) Invalid(fmt);
        if (conv == 'd') {
          std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(*n));
        } else {
          // Unsigned forms show the 32-bit pattern of negative values.
          unsigned long long u = *n < 0 && *n >= INT32_MIN ? static_cast<uint32_t>(*n)
                                                           : static_cast<unsigned long long>(*n);
          std::snprintf(buf, sizeof buf, conv == 'u' ? "%llu" : "%llX", u);
        }
        piece = buf;
        if (prec > static_cast<int>(piece.size())) {
          bool neg = piece[0] == '-';
          std::string digits = neg ? piece.substr(1) : piece;
          digits = std::string(prec - digits.size(), '0') + digits;
          piece = neg ? "-" + digits : digits;
        }
        break;
      }
      case 'f':
      case 'g':
      case 'e': {
        double d;
        if (const auto* f = std::get_if<double>(&v)) {
          d = *f;
        } else if (const auto* n = std::get_if<int64_t>(&v)) {
          d = static_cast<double>(*n);
        } else {
          Invalid(fmt);
        }
        char directive[8] = {'%', '.', '*', conv, 0};
        std::snprintf(buf, sizeof buf, directive, prec < 0 ? (conv == 'g' ? 15 : 2) : (prec > 60 ? 60 : prec), d);
        piece = buf;
        break;
      }
      default:
        Invalid(fmt);
    }
    out += Pad(std::move(piece), width, left);
  }
  return out;
}

}  // namespace brim
