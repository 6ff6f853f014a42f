#include "common/exceptions_Brimwell.h"

#include <utility>

namespace brim {

namespace {
TMessageTranslation& Translation() {
  static TMessageTranslation translation;
  return translation;
}
}  // namespace

void SetMessageTranslation(TMessageTranslation translation) {
  Translation() = std::move(translation);
}

TMessageTranslation ExchangeMessageTranslation(TMessageTranslation translation) {
  return std::exchange(Translation(), std::move(translation));
}

std::string TranslateMessage(const std::string& english) {
  const auto& t = Translation();
  return t ? t(english) : english;
}

}  // namespace brim
