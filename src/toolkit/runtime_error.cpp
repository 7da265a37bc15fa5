#include "toolkit/runtime_error.h"

namespace toolkit
{

namespace
{
QString standardText(int number)
{
    switch (number) {
    case Err::InvalidProcedureCall:
        return QStringLiteral("Invalid procedure call or argument");
    case Err::Overflow:
        return QStringLiteral("Overflow");
    case Err::OutOfMemory:
        return QStringLiteral("Out of memory");
    case Err::DivisionByZero:
        return QStringLiteral("Division by zero");
    case Err::FileNotFound:
        return QStringLiteral("File not found");
    case Err::CantCreateImage:
        return QStringLiteral("Can't create AutoRedraw image");
    case Err::InvalidPicture:
        return QStringLiteral("Invalid picture");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}
} // namespace

RuntimeError::RuntimeError(int number, QString text)
    : number_(number), text_(std::move(text)), what_(message().toStdString())
{
}

QString RuntimeError::message() const
{
    return QStringLiteral("Run-time error '%1': %2").arg(number_).arg(text_);
}

void raiseError(int number)
{
    throw RuntimeError(number, standardText(number));
}

void raiseError(int number, const QString& text)
{
    throw RuntimeError(number, text);
}

} // namespace toolkit
