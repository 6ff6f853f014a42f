// Format: the printf-like formatting of the system's messages ("%s", "%d",
// "%%", with optional flags, width and precision, plus %u %x %f %g %e).
// Arguments are checked against their directives: a mismatch or a missing
// argument raises EConvertError naming the format, never undefined behaviour.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace brim {

// One argument of Format: an integer, a floating-point number or a text.
class TVarRec {
 public:
  TVarRec(int v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(long v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned long v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(long long v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned long long v) : value_(static_cast<int64_t>(v)) {}
  TVarRec(double v) : value_(v) {}
  TVarRec(const char* v) : value_(std::string(v ? v : "")) {}
  TVarRec(std::string v) : value_(std::move(v)) {}

  const std::variant<int64_t, double, std::string>& Value() const { return value_; }

 private:
  std::variant<int64_t, double, std::string> value_;
};

std::string FormatArgs(const std::string& fmt, const std::vector<TVarRec>& args);

template <class... A>
std::string Format(const std::string& fmt, A&&... args) {
  return FormatArgs(fmt, std::vector<TVarRec>{TVarRec(std::forward<A>(args))...});
}

}  // namespace brim
