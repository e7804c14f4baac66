// The exception hierarchy of the class library stand-in. Messages are Windows-1251 text.
#pragma once

#include "classlib/base/ansistring.h"

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    const AnsiString& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

class ERangeError : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
// A window description that cannot be read or written; the message names the line and the cause.
class EFilerError : public Exception { using Exception::Exception; };
class EReadError : public EFilerError { using EFilerError::EFilerError; };
class EWriteError : public EFilerError { using EFilerError::EFilerError; };

// Errors raised by the PNG codec; the message is the codec's own.
class EPNGError : public EInvalidGraphic { using EInvalidGraphic::EInvalidGraphic; };
