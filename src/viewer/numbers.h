#pragma once

#include <QString>
#include <QtGlobal>

// The number conventions the window code relies on: floating values stored into integers
// round halves to the even neighbour, integer arithmetic is checked, and the "0.00" text
// rounds halves away from zero. Every fault raises toolkit::RuntimeError.
namespace numbers
{

// Nearest 32-bit integer, halves to even (2.5 -> 2, 3.5 -> 4); overflow error outside range.
qint32 CLng(double value);
// Nearest 16-bit integer, halves to even; overflow error outside range.
qint16 CInt(double value);
// Truncated toward zero into 32 bits; overflow error outside range.
qint32 Fix(double value);

// The number a text starts with, after leading blanks: "2" -> 2, " 1.5x" -> 1.5, "-3e2" ->
// -300; 0 when it starts with none.
double Val(const QString& text);

// Checked 32-bit arithmetic: overflow error when the exact result does not fit.
qint32 add(qint32 a, qint32 b);
qint32 sub(qint32 a, qint32 b);
qint32 mul(qint32 a, qint32 b);
// Integer quotient truncated toward zero, and the remainder with the dividend's sign;
// division-by-zero error for b = 0.
qint32 idiv(qint32 a, qint32 b);
qint32 imod(qint32 a, qint32 b);
// Floating division: division-by-zero error for x / 0, overflow error for 0 / 0 or an
// infinite result.
double fdiv(double a, double b);

// The decimal text of a value in inches or centimetres: first its shortest text of at most
// 15 significant digits, then at least one digit before the point and exactly two after,
// rounding halves away from zero (0.125 -> "0.13"). The separator is the locale's.
QString formatTwoDecimals(double value);

} // namespace numbers
