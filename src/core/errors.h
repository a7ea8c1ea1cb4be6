#pragma once
// The one run-time error type of the program and its fixed number table.
// Numbers are stable between releases so that error logs stay comparable.

#include <stdexcept>
#include <string>

namespace kestrova {

enum class ErrorCode : int {
    InvalidArgument = 5,
    Overflow = 6,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    TypeMismatch = 13,
    FileNotFound = 53,
    PathFileAccess = 75,
    ObjectNotSet = 91,
    InvalidUseOfNull = 94,
    InvalidPicture = 481,
};

// The standard wording for each number, used when a failure has nothing more specific to say.
std::string standardDescription(ErrorCode code);

class AppError : public std::runtime_error {
public:
    explicit AppError(ErrorCode code);
    AppError(ErrorCode code, const std::string& description);

    ErrorCode code() const { return code_; }
    int number() const { return static_cast<int>(code_); }
    const std::string& description() const { return description_; }

private:
    ErrorCode code_;
    std::string description_;
};

[[noreturn]] void raise(ErrorCode code);
[[noreturn]] void raise(ErrorCode code, const std::string& description);
// The standard wording followed by what it is about: "File not found: /srv/logo.png".
[[noreturn]] void raiseAbout(ErrorCode code, const std::string& subject);

// Number and description of whatever exception is in flight; call only inside a catch block.
struct ErrorInfo {
    int number = 0;
    std::string description;
};
ErrorInfo currentErrorInfo();

} // namespace kestrova
