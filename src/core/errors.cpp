#include "errors.h"

#include <new>

namespace kestrova {

std::string standardDescription(ErrorCode code)
{
    switch (code) {
    case ErrorCode::InvalidArgument: return "Invalid procedure call or argument";
    case ErrorCode::Overflow: return "Overflow";
    case ErrorCode::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorCode::DivisionByZero: return "Division by zero";
    case ErrorCode::TypeMismatch: return "Type mismatch";
    case ErrorCode::FileNotFound: return "File not found";
    case ErrorCode::PathFileAccess: return "Path/File access error";
    case ErrorCode::ObjectNotSet: return "Object variable or With block variable not set";
    case ErrorCode::InvalidUseOfNull: return "Invalid use of Null";
    case ErrorCode::InvalidPicture: return "Invalid picture";
    }
    return "Application-defined or object-defined error";
}

AppError::AppError(ErrorCode code)
    : AppError(code, standardDescription(code))
{
}

AppError::AppError(ErrorCode code, const std::string& description)
    : std::runtime_error(description), code_(code), description_(description)
{
}

void raise(ErrorCode code) { throw AppError(code); }

void raise(ErrorCode code, const std::string& description) { throw AppError(code, description); }

void raiseAbout(ErrorCode code, const std::string& subject) { raise(code, standardDescription(code) + ": " + subject); }

ErrorInfo currentErrorInfo()
{
    try {
        throw;
    } catch (const AppError& e) {
        return {e.number(), e.description()};
    } catch (const std::out_of_range& e) {
        return {static_cast<int>(ErrorCode::SubscriptOutOfRange), e.what()};
    } catch (const std::bad_alloc&) {
        return {static_cast<int>(ErrorCode::Overflow), "Out of memory"};
    } catch (const std::exception& e) {
        return {static_cast<int>(ErrorCode::InvalidArgument), e.what()};
    } catch (...) {
        return {static_cast<int>(ErrorCode::InvalidArgument), standardDescription(ErrorCode::InvalidArgument)};
    }
}

} // namespace kestrova
