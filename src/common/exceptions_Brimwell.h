// The exception family of the system. Every error is an exception whose
// class tells which unit raised it:
//   Exception
//     EAbort                          silent abort: skips one object quietly
//     EConvertError                   a bad Format directive or conversion
//     EStreamError                    a definition stream that cannot be read
//     ECustomBrimwellAbnormal
//       IException                    translated messages, one subclass per unit
//       EBrimwellAbnormal             untranslated: compression, API wrappers
//         EQmbxCompress (EqcAborted, EqcDiskFull), EAPIRoutines, EIRCannotWriteValue
//     EAI                             user abort, meta variables, Program Manager
//       EAIUserAbort
//     ENIL                            network install locations
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "common/Format.h"

namespace brim {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  template <class... A>
  Exception(const std::string& fmt, A&&... args)
      : message_(Format(fmt, std::forward<A>(args)...)) {}

  const std::string& Message() const { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }
  const char* what() const noexcept override { return message_.c_str(); }
  // The class name as the system names it, for diagnostics and tests.
  virtual const char* ClassName() const { return "Exception"; }

 private:
  std::string message_;
};

#define BRIM_EXCEPTION_CLASS(Name, Parent)                       \
  class Name : public Parent {                                   \
   public:                                                       \
    using Parent::Parent;                                        \
    const char* ClassName() const override { return #Name; }     \
  }

BRIM_EXCEPTION_CLASS(EAbort, Exception);
BRIM_EXCEPTION_CLASS(EConvertError, Exception);
BRIM_EXCEPTION_CLASS(EStreamError, Exception);
BRIM_EXCEPTION_CLASS(ECustomBrimwellAbnormal, Exception);
BRIM_EXCEPTION_CLASS(EBrimwellAbnormal, ECustomBrimwellAbnormal);
BRIM_EXCEPTION_CLASS(EQmbxCompress, EBrimwellAbnormal);
BRIM_EXCEPTION_CLASS(EqcAborted, EQmbxCompress);
BRIM_EXCEPTION_CLASS(EqcDiskFull, EQmbxCompress);
BRIM_EXCEPTION_CLASS(EAPIRoutines, EBrimwellAbnormal);
BRIM_EXCEPTION_CLASS(EIRCannotWriteValue, EBrimwellAbnormal);
BRIM_EXCEPTION_CLASS(EAI, Exception);
BRIM_EXCEPTION_CLASS(ENIL, Exception);

// The user's abort of an installation.
class EAIUserAbort : public EAI {
 public:
  EAIUserAbort() : EAI(std::string("Installation aborted by the user")) {}
  explicit EAIUserAbort(std::string message) : EAI(std::move(message)) {}
  const char* ClassName() const override { return "EAIUserAbort"; }
};

// The message translation applied by IException before formatting: English
// text in, the current dialog language out. The main translator installs
// itself here; until then messages stay in English.
using TMessageTranslation = std::function<std::string(const std::string&)>;
void SetMessageTranslation(TMessageTranslation translation);
// Installs a translation and gives back the one it replaces.
TMessageTranslation ExchangeMessageTranslation(TMessageTranslation translation);
std::string TranslateMessage(const std::string& english);

// Base of the per-unit exceptions (IEInstall, IEPathSpecifier, ...): the
// message is translated first, then formatted with its arguments (a message
// without arguments is taken as it stands).
class IException : public ECustomBrimwellAbnormal {
 public:
  explicit IException(const std::string& message)
      : ECustomBrimwellAbnormal(TranslateMessage(message)) {}
  template <class A0, class... A>
  IException(const std::string& fmt, A0&& a0, A&&... args)
      : ECustomBrimwellAbnormal(
            FormatArgs(TranslateMessage(fmt),
                       {TVarRec(std::forward<A0>(a0)), TVarRec(std::forward<A>(args))...})) {}
  const char* ClassName() const override { return "IException"; }
};

#define BRIM_IEXCEPTION_CLASS(Name, Parent)                      \
  class Name : public Parent {                                   \
   public:                                                       \
    using Parent::Parent;                                        \
    const char* ClassName() const override { return #Name; }     \
  }

}  // namespace brim
