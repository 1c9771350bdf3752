#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace quorvel {

// The program's one way to fail. Nothing in the game traps an error: whatever escapes a handler
// reaches the report in app/, which shows the number and the description, then ends the program.
// The numbers follow the classic BASIC run-time codes that teachers may already know from the
// error box ("6: Overflow").
class RuntimeError : public std::runtime_error
{
public:
    enum Code : int {
        InvalidProcedureCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        TypeMismatch = 13,
        FileNotFound = 53,
        PathFileAccessError = 75,
        InvalidFileFormat = 321,
        InternalError = 51,
    };

    RuntimeError(int number, const std::string &description)
        : std::runtime_error(description)
        , m_number(number)
    { }

    int number() const noexcept { return m_number; }
    std::string description() const { return what(); }

    // The standard description of a code, in Italian, as the report box shows it.
    static std::string standardDescription(int number);
    // The error with its standard description followed by what went wrong, "…: detail".
    static RuntimeError withDetail(int number, const std::string &detail);

private:
    int m_number;
};

// Number and description of whatever was thrown, so that standard exceptions (a bad conversion,
// an allocation failure) reach the pupil in the same form as the program's own errors.
struct ErrorInfo
{
    int number;
    std::string description;
};
ErrorInfo describeError(std::exception_ptr error);

} // namespace quorvel
