#include "viewer/numbers.h"

#include "toolkit/runtime_error.h"

#include <QLocale>
#include <QtNumeric>
#include <cmath>
#include <cstdio>
#include <limits>

namespace Err = toolkit::Err;
using toolkit::raiseError;

namespace numbers
{

namespace
{

template <class Int> Int roundHalfEven(double value)
{
    if (!std::isfinite(value))
        raiseError(Err::Overflow);
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        raiseError(Err::Overflow);
    return Int(rounded);
}

qint32 narrow(qint64 exact)
{
    if (exact < std::numeric_limits<qint32>::min() || exact > std::numeric_limits<qint32>::max())
        raiseError(Err::Overflow);
    return qint32(exact);
}

// Adds one to the decimal number held in digits (most significant first), growing it by
// a digit when it carries out of the top.
void incrementDigits(QString& digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return;
        }
        digits[i] = QLatin1Char('0');
    }
    digits.prepend(QLatin1Char('1'));
}

} // namespace

qint32 CLng(double value)
{
    return roundHalfEven<qint32>(value);
}

qint16 CInt(double value)
{
    return roundHalfEven<qint16>(value);
}

qint32 Fix(double value)
{
    if (!std::isfinite(value))
        raiseError(Err::Overflow);
    return narrow(qint64(std::trunc(std::clamp(value, -1e18, 1e18))));
}

qint32 add(qint32 a, qint32 b)
{
    qint32 sum;
    if (qAddOverflow(a, b, &sum))
        raiseError(Err::Overflow);
    return sum;
}

qint32 sub(qint32 a, qint32 b)
{
    qint32 difference;
    if (qSubOverflow(a, b, &difference))
        raiseError(Err::Overflow);
    return difference;
}

qint32 mul(qint32 a, qint32 b)
{
    qint32 product;
    if (qMulOverflow(a, b, &product))
        raiseError(Err::Overflow);
    return product;
}

qint32 idiv(qint32 a, qint32 b)
{
    if (b == 0)
        raiseError(Err::DivisionByZero);
    return narrow(qint64(a) / b);
}

qint32 imod(qint32 a, qint32 b)
{
    if (b == 0)
        raiseError(Err::DivisionByZero);
    return qint32(qint64(a) % b);
}

double fdiv(double a, double b)
{
    if (b == 0)
        raiseError(a == 0 || std::isnan(a) ? Err::Overflow : Err::DivisionByZero);
    const double quotient = a / b;
    if (!std::isfinite(quotient))
        raiseError(Err::Overflow);
    return quotient;
}

QString formatTwoDecimals(double value)
{
    if (!std::isfinite(value))
        raiseError(Err::Overflow);
    // Stage one: 15 significant digits, as digits and a decimal exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    QString digits = text.left(e).remove(QLatin1Char('.')); // 15 digits, d.dddd...
    const int exponent = text.mid(e + 1).toInt();
    // The value is 0.digits x 10^(exponent + 1). Keep the digits down to the hundredths.
    const int integerDigits = exponent + 1;
    const int kept = integerDigits + 2;
    QString wanted;
    if (kept <= 0) {
        // Below 0.005 in size only a half or more rounds up, and that needs kept == 0.
        wanted = (kept == 0 && digits[0] >= QLatin1Char('5')) ? QStringLiteral("1")
                                                              : QStringLiteral("0");
    } else {
        digits =
            digits.leftJustified(std::max<int>(kept + 1, int(digits.size())), QLatin1Char('0'));
        wanted = digits.left(kept);
        if (digits[kept] >= QLatin1Char('5'))
            incrementDigits(wanted);
    }
    // wanted holds the value in hundredths; put the point two places from the right.
    wanted = wanted.rightJustified(3, QLatin1Char('0'));
    const bool isZero = wanted.count(QLatin1Char('0')) == wanted.size();
    const QString sign = (value < 0 && !isZero) ? QStringLiteral("-") : QString();
    // Drop leading zeros of the whole part but keep at least one digit.
    QString whole = wanted.left(wanted.size() - 2);
    while (whole.size() > 1 && whole[0] == QLatin1Char('0'))
        whole.remove(0, 1);
    return sign + whole + QLocale().decimalPoint() + wanted.right(2);
}

double Val(const QString& text)
{
    // The longest leading run that reads as a decimal number, after leading blanks.
    int at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    const int start = at;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const auto digits = [&] {
        const int from = at;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9')
            ++at;
        return at - from;
    };
    int mantissa = digits();
    if (at < text.size() && text[at] == u'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    int end = at;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
            ++at;
        if (digits() > 0)
            end = at;
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    return ok ? value : 0;
}

} // namespace numbers
