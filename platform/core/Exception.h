#pragma once
// The root of every failure the program raises. Each failure class carries its own
// message (UTF-8 text) and reports its class name, so that the error box and the
// command-line tools can show both.
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    virtual const char* className() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// Declares a failure class `Name` derived from `Base` with the usual constructor.
#define ZANTREL_EXCEPTION(Name, Base)                                                              \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* className() const noexcept override { return #Name; }                          \
    }

// Text that cannot be read as a number, in the runtime's wording.
ZANTREL_EXCEPTION(EConvertError, Exception);
// A failure reported by one of the two stores.
ZANTREL_EXCEPTION(EDatabaseError, Exception);

// The runtime's text-to-integer conversion: leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x" or "0x"; anything else, trailing blanks
// included, or a value outside the signed 32-bit range fails with
// EConvertError "'<text>' is not a valid integer value".
int strToInt(const std::string& text);
// The same rules without failing: returns false when the text is not an integer.
bool tryStrToInt(const std::string& text, int& value);
