// TInstallInformation: the company, product and version of an
// installation. They name the product in the uninstall key, in the
// company/product/version registry keys and in the dialogs.
#pragma once

#include <string>

#include "objects/TComponent.h"

namespace brim {

class TInstallInformation : public TPersistent {
  BRIM_CLASS(TInstallInformation)

 public:
  explicit TInstallInformation(TPersistent* owner = nullptr) : owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

  std::string CompanyName = "My Company";
  std::string ProductName = "My product";
  std::string Version = "1.0";

 private:
  TPersistent* owner_;
};

}  // namespace brim
