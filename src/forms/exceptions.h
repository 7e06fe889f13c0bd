// The error classes of the platform layer. Only the operations whose contract raises use them;
// everything else reports through its result.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  // The class name the last-chance box shows.
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define OPRAVA_ERROR_CLASS(Name, Base)                       \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

// Silent abort: the error handler shows nothing for it.
OPRAVA_ERROR_CLASS(EAbort, Exception);
OPRAVA_ERROR_CLASS(EStreamError, Exception);
// "Cannot open file %s"
OPRAVA_ERROR_CLASS(EFOpenError, EStreamError);
// "Cannot create file %s"
OPRAVA_ERROR_CLASS(EFCreateError, EStreamError);
// A stored form that cannot be read: truncated, a length that runs past the end, an unknown type.
OPRAVA_ERROR_CLASS(EReadError, EStreamError);
// A resource that the program does not carry.
OPRAVA_ERROR_CLASS(EResNotFound, Exception);
// A picture whose data is not a graphic this layer can load.
OPRAVA_ERROR_CLASS(EInvalidGraphic, Exception);
// A request the loaded graphic cannot serve, such as a scan line outside the bitmap.
OPRAVA_ERROR_CLASS(EInvalidGraphicOperation, Exception);

#undef OPRAVA_ERROR_CLASS
