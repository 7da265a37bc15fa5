#pragma once

#include <QString>
#include <exception>
#include <string>

namespace toolkit
{

// The one error type of the program: a number and a text, as the window reports it in
// "Run-time error 'N': text". Raised by the checked-number helpers and by the toolkit;
// handlers that have a recovery path catch it, everything else lets it reach the
// window's top-level guard.
class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, QString text);

    int number() const { return number_; }
    const QString& text() const { return text_; }
    // "Run-time error 'N': text"
    QString message() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString text_;
    std::string what_;
};

// The errors the program can raise, with the numbers users of the classic toolkit know.
namespace Err
{
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int DivisionByZero = 11;
constexpr int FileNotFound = 53;
constexpr int CantCreateImage = 480;
constexpr int InvalidPicture = 481;
} // namespace Err

[[noreturn]] void raiseError(int number);
[[noreturn]] void raiseError(int number, const QString& text);

} // namespace toolkit
