// Rounding, checked arithmetic and the two-decimal text every readout relies on.
#include "toolkit/runtime_error.h"
#include "viewer/numbers.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <limits>

namespace
{
// Runs f and returns the run-time error number it raised, or 0.
template <class F> int errorOf(F&& f)
{
    try {
        f();
    } catch (const toolkit::RuntimeError& e) {
        return e.number();
    }
    return 0;
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
} // namespace

class tst_Numbers : public QObject
{
    Q_OBJECT
private slots:
    void roundHalfToEven_data();
    void roundHalfToEven();
    void sixteenBitBounds_data();
    void sixteenBitBounds();
    void checkedArithmetic_data();
    void checkedArithmetic();
    void floatingDivision_data();
    void floatingDivision();
    void twoDecimals_data();
    void twoDecimals();
    void twoDecimalsUsesTheLocaleSeparator();
};

void tst_Numbers::roundHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("expected"); // 0x7fffffffffffffff: overflow
    const qint64 overflow = std::numeric_limits<qint64>::max();
    QTest::newRow("2.5 to even 2") << 2.5 << qint64(2);
    QTest::newRow("3.5 to even 4") << 3.5 << qint64(4);
    QTest::newRow("12.5 to 12") << 12.5 << qint64(12);
    QTest::newRow("13.5 to 14") << 13.5 << qint64(14);
    QTest::newRow("-2.5 to -2") << -2.5 << qint64(-2);
    QTest::newRow("37.5 to 38") << 37.5 << qint64(38);
    QTest::newRow("37.795 to 38") << 96 / 2.54 << qint64(38);
    QTest::newRow("just under half") << 0.49999999999999994 << qint64(0);
    QTest::newRow("largest 32-bit") << 2147483647.0 << qint64(2147483647);
    QTest::newRow("half past largest rounds up: overflow") << 2147483647.5 << overflow;
    QTest::newRow("smallest 32-bit") << -2147483648.0 << qint64(-2147483648LL);
    QTest::newRow("below smallest") << -2147483649.0 << overflow;
    QTest::newRow("infinity") << kInf << overflow;
    QTest::newRow("not a number") << kNaN << overflow;
}

void tst_Numbers::roundHalfToEven()
{
    QFETCH(double, value);
    QFETCH(qint64, expected);
    if (expected == std::numeric_limits<qint64>::max()) {
        QCOMPARE(errorOf([&] { numbers::CLng(value); }), int(toolkit::Err::Overflow));
        return;
    }
    QCOMPARE(qint64(numbers::CLng(value)), expected);
}

void tst_Numbers::sixteenBitBounds_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::newRow("32767") << 32767.0 << true;
    QTest::newRow("32767.5 rounds to 32768") << 32767.5 << false;
    QTest::newRow("32767.4") << 32767.4 << true;
    QTest::newRow("-32768") << -32768.0 << true;
    QTest::newRow("-32768.5 rounds to even -32768") << -32768.5 << true;
    QTest::newRow("-32769") << -32769.0 << false;
    QTest::newRow("1.5 to 2") << 1.5 << true;
}

void tst_Numbers::sixteenBitBounds()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    const int error = errorOf([&] { numbers::CInt(value); });
    QCOMPARE(error, fits ? 0 : int(toolkit::Err::Overflow));
    if (fits)
        QCOMPARE(double(numbers::CInt(value)), std::nearbyint(value));
}

void tst_Numbers::checkedArithmetic_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("b");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<int>("error");
    const qint32 max = std::numeric_limits<qint32>::max();
    const qint32 min = std::numeric_limits<qint32>::min();
    QTest::newRow("add fits") << "add" << max - 1 << 1 << qint64(max) << 0;
    QTest::newRow("add overflows") << "add" << max << 1 << qint64(0) << 6;
    QTest::newRow("sub overflows") << "sub" << min << 1 << qint64(0) << 6;
    QTest::newRow("mul fits") << "mul" << 46340 << 46340 << qint64(2147395600) << 0;
    QTest::newRow("mul overflows") << "mul" << 46341 << 46341 << qint64(0) << 6;
    QTest::newRow("mul image by factor") << "mul" << 20000 << 2 << qint64(40000) << 0;
    QTest::newRow("div truncates toward zero") << "idiv" << -7 << 2 << qint64(-3) << 0;
    QTest::newRow("div min by -1 overflows") << "idiv" << min << -1 << qint64(0) << 6;
    QTest::newRow("div by zero") << "idiv" << 1 << 0 << qint64(0) << 11;
    QTest::newRow("mod keeps dividend's sign") << "imod" << -7 << 2 << qint64(-1) << 0;
    QTest::newRow("mod 150 by 96") << "imod" << 150 << 96 << qint64(54) << 0;
    QTest::newRow("mod by zero") << "imod" << 1 << 0 << qint64(0) << 11;
}

void tst_Numbers::checkedArithmetic()
{
    QFETCH(QString, op);
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(qint64, expected);
    QFETCH(int, error);
    qint64 result = 0;
    const int raised = errorOf([&] {
        if (op == "add")
            result = numbers::add(a, b);
        else if (op == "sub")
            result = numbers::sub(a, b);
        else if (op == "mul")
            result = numbers::mul(a, b);
        else if (op == "idiv")
            result = numbers::idiv(a, b);
        else
            result = numbers::imod(a, b);
    });
    QCOMPARE(raised, error);
    if (!error)
        QCOMPARE(result, expected);
}

void tst_Numbers::floatingDivision_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<int>("error");
    QTest::newRow("ordinary") << 12.0 << 96.0 << 0;
    QTest::newRow("x / 0 is division by zero") << 640.0 << 0.0 << 11;
    QTest::newRow("0 / 0 is overflow") << 0.0 << 0.0 << 6;
    QTest::newRow("huge quotient is overflow") << 1e308 << 1e-10 << 6;
}

void tst_Numbers::floatingDivision()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(int, error);
    QCOMPARE(errorOf([&] { numbers::fdiv(a, b); }), error);
}

void tst_Numbers::twoDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0.125 rounds half away from zero") << 12.0 / 96 << "0.13";
    QTest::newRow("6.666...") << 640.0 / 96 << "6.67";
    QTest::newRow("5") << 480.0 / 96 << "5.00";
    QTest::newRow("16.933... cm") << 640.0 / 96 * 2.54 << "16.93";
    QTest::newRow("12.7 cm") << 480.0 / 96 * 2.54 << "12.70";
    QTest::newRow("2.54 cm") << 96.0 / 96 * 2.54 << "2.54";
    QTest::newRow("0") << 0.0 << "0.00";
    QTest::newRow("0.5") << 48.0 / 96 << "0.50";
    // Binary 2.675 lies just below the half; its 15-digit text does not.
    QTest::newRow("2.675 via 15 digits") << 2.675 << "2.68";
    QTest::newRow("1.005 via 15 digits") << 1.005 << "1.01";
    QTest::newRow("0.005 rounds up") << 0.005 << "0.01";
    QTest::newRow("0.00499 rounds down") << 0.00499 << "0.00";
    QTest::newRow("carry into the whole part") << 99.995 << "100.00";
    QTest::newRow("tiny") << 1e-20 << "0.00";
    QTest::newRow("large, no grouping") << 1234567.0 << "1234567.00";
    QTest::newRow("beyond 15 digits") << 1e20 << "100000000000000000000.00";
}

void tst_Numbers::twoDecimals()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(numbers::formatTwoDecimals(value), expected);
}

void tst_Numbers::twoDecimalsUsesTheLocaleSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German));
    const QString text = numbers::formatTwoDecimals(1234.5);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(text, QString("1234,50"));
}

QTEST_APPLESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
