#include "components/InstallParameters.h"

#include <cmath>

namespace brim {

TFileStatusParameter::TFileStatusParameter(const TlzhFileStats& stats, std::string fileName)
    : FileBytesDone(stats.Processed),
      FilePercent(stats.Percent),
      FileName(std::move(fileName)),
      Stats(stats),
      TotalBytesDone(stats.TotalProcessed),
      TotalPercent(stats.TotalPercent) {}

int32_t PercentOf(double part, double whole) {
  if (whole == 0) return 0;
  double percent = part / whole * 100;
  if (!std::isfinite(percent) || std::fabs(percent) > 2e9) return 0;
  // nearbyint rounds in the current mode, which is to nearest, halves to even.
  return static_cast<int32_t>(std::nearbyint(percent));
}

const TClassInfo& TMessageParameter::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TMessageParameter>("TMessageParameter", &TPersistent::StaticClass()).Build();
  return info;
}

const TClassInfo& TFileStatusParameter::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFileStatusParameter>("TFileStatusParameter", &TPersistent::StaticClass()).Build();
  return info;
}

const TClassInfo& TDownloadStatusParameter::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDownloadStatusParameter>("TDownloadStatusParameter", &TPersistent::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TDiskParameter::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDiskParameter>("TDiskParameter", &TPersistent::StaticClass()).Build();
  return info;
}

const TClassInfo& TParameterList::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TParameterList>("TParameterList", &TPersistent::StaticClass()).Build();
  return info;
}

}  // namespace brim
