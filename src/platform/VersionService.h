// Version resources of files: the three calls the system makes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brim {

class IVersionService {
 public:
  virtual ~IVersionService() = default;
  // GetFileVersionInfoSizeA: 0 when the file has no version resource.
  virtual uint32_t GetFileVersionInfoSize(const std::string& path) = 0;
  // GetFileVersionInfoA: the version block, of the size above.
  virtual std::optional<std::string> GetFileVersionInfo(const std::string& path) = 0;
  // VerQueryValueA over a block: "\" gives the 52-byte VS_FIXEDFILEINFO,
  // "\VarFileInfo\Translation" the raw words, "\StringFileInfo\040904E4\X"
  // the ANSI text of a string value without its terminating NUL.
  virtual std::optional<std::string> QueryValue(const std::string& block,
                                                const std::string& subBlock) = 0;
};

}  // namespace brim
