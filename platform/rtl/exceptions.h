#pragma once
// The exception family of the platform. Every class derives from Exception, which carries the
// message; ClassName() answers the class's own name (error reports show it).
#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string msg) : message_(std::move(msg)) {}
  Exception(std::string msg, int helpContext) : message_(std::move(msg)), helpContext_(helpContext) {}

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string msg) { message_ = std::move(msg); }
  int HelpContext() const noexcept { return helpContext_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
  int helpContext_ = 0;
};

#define FANO_DECLARE_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                                \
   public:                                                                  \
    using Base::Base;                                                       \
    const char* ClassName() const noexcept override { return #Name; }       \
  }

// Silent exception: aborts an operation without a message to the user.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EAbort"; }
};

FANO_DECLARE_EXCEPTION(EConvertError, Exception);
FANO_DECLARE_EXCEPTION(EListError, Exception);
FANO_DECLARE_EXCEPTION(EStringListError, EListError);
FANO_DECLARE_EXCEPTION(EStreamError, Exception);
FANO_DECLARE_EXCEPTION(EFCreateError, EStreamError);
FANO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
FANO_DECLARE_EXCEPTION(EFilerError, EStreamError);
FANO_DECLARE_EXCEPTION(EReadError, EFilerError);
FANO_DECLARE_EXCEPTION(EWriteError, EFilerError);
FANO_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
FANO_DECLARE_EXCEPTION(EResNotFound, Exception);
FANO_DECLARE_EXCEPTION(EInvalidOperation, Exception);
FANO_DECLARE_EXCEPTION(EInvalidCast, Exception);
FANO_DECLARE_EXCEPTION(EInvalidPointer, Exception);
FANO_DECLARE_EXCEPTION(EComponentError, Exception);
FANO_DECLARE_EXCEPTION(EPropertyError, Exception);
FANO_DECLARE_EXCEPTION(EDatabaseError, Exception);
FANO_DECLARE_EXCEPTION(EOutOfResources, Exception);
FANO_DECLARE_EXCEPTION(EOutOfMemory, Exception);
FANO_DECLARE_EXCEPTION(EInvalidArgument, Exception);
FANO_DECLARE_EXCEPTION(EExternal, Exception);
FANO_DECLARE_EXCEPTION(EIntError, EExternal);
FANO_DECLARE_EXCEPTION(EDivByZero, EIntError);
FANO_DECLARE_EXCEPTION(ERangeError, EIntError);
FANO_DECLARE_EXCEPTION(EIntOverflow, EIntError);
FANO_DECLARE_EXCEPTION(EMathError, EExternal);
FANO_DECLARE_EXCEPTION(EZeroDivide, EMathError);
FANO_DECLARE_EXCEPTION(EOverflow, EMathError);
FANO_DECLARE_EXCEPTION(EInvalidOp, EMathError);
FANO_DECLARE_EXCEPTION(EVariantError, Exception);
FANO_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
FANO_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
FANO_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
FANO_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);
FANO_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
FANO_DECLARE_EXCEPTION(ENotImplemented, Exception);

// Raises EAbort, the silent exception.
[[noreturn]] void Abort();
