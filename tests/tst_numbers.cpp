// Rounding, checked arithmetic and the two-decimal text every readout relies on.
#include "support/test_support.h"
#include "toolkit/runtime_error.h"
#include "viewer/numbers.h"

#include <QLocale>
#include <QTest>
#include <functional>
#include <limits>

using testing::errorOf;

class tst_Numbers : public QObject
{
    Q_OBJECT
private slots:
    void rounding_data();
    void rounding();
    void checkedArithmetic_data();
    void checkedArithmetic();
    void twoDecimals_data();
    void twoDecimals();
};

void tst_Numbers::rounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("sixteenBit");
    QTest::addColumn<double>("expected"); // NaN: overflow error
    const double overflow = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("2.5 to even 2") << 2.5 << false << 2.0;
    QTest::newRow("3.5 to even 4") << 3.5 << false << 4.0;
    QTest::newRow("-2.5 to -2") << -2.5 << false << -2.0;
    QTest::newRow("37.5 to 38") << 37.5 << false << 38.0;
    // Where halves to even part from truncation and from adding a half and flooring.
    QTest::newRow("1.5 to 2, not truncated to 1") << 1.5 << false << 2.0;
    QTest::newRow("-1.5 to -2, not truncated to -1") << -1.5 << false << -2.0;
    QTest::newRow("largest double below a half to 0") << 0.49999999999999994 << false << 0.0;
    QTest::newRow("-0.5 to 0") << -0.5 << false << 0.0;
    QTest::newRow("half past 2^31-1 overflows") << 2147483647.5 << false << overflow;
    QTest::newRow("below -2^31 overflows") << -2147483649.0 << false << overflow;
    QTest::newRow("infinity overflows")
        << std::numeric_limits<double>::infinity() << false << overflow;
    QTest::newRow("16-bit 32767.4") << 32767.4 << true << 32767.0;
    QTest::newRow("16-bit 32767.5 overflows") << 32767.5 << true << overflow;
    QTest::newRow("16-bit -32768.5 to even") << -32768.5 << true << -32768.0;
}

void tst_Numbers::rounding()
{
    QFETCH(double, value);
    QFETCH(bool, sixteenBit);
    QFETCH(double, expected);
    double result = 0;
    const int error =
        errorOf([&] { result = sixteenBit ? numbers::CInt(value) : numbers::CLng(value); });
    QCOMPARE(error, std::isnan(expected) ? int(toolkit::Err::Overflow) : 0);
    if (!error)
        QCOMPARE(result, expected);
}

void tst_Numbers::checkedArithmetic_data()
{
    QTest::addColumn<std::function<double()>>("op");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("error");
    const qint32 max = std::numeric_limits<qint32>::max();
    const qint32 min = std::numeric_limits<qint32>::min();
    using F = std::function<double()>;
    QTest::newRow("add overflows") << F([=] { return numbers::add(max, 1); }) << 0.0 << 6;
    QTest::newRow("sub overflows") << F([=] { return numbers::sub(min, 1); }) << 0.0 << 6;
    QTest::newRow("mul fits") << F([] { return numbers::mul(46340, 46340); }) << 2147395600.0 << 0;
    QTest::newRow("mul overflows") << F([] { return numbers::mul(46341, 46341); }) << 0.0 << 6;
    QTest::newRow("div truncates") << F([] { return numbers::idiv(-7, 2); }) << -3.0 << 0;
    QTest::newRow("div -2^31 by -1") << F([=] { return numbers::idiv(min, -1); }) << 0.0 << 6;
    QTest::newRow("div by zero") << F([] { return numbers::idiv(1, 0); }) << 0.0 << 11;
    QTest::newRow("mod keeps sign") << F([] { return numbers::imod(-7, 2); }) << -1.0 << 0;
    QTest::newRow("mod by zero") << F([] { return numbers::imod(1, 0); }) << 0.0 << 11;
    QTest::newRow("x / 0") << F([] { return numbers::fdiv(640, 0); }) << 0.0 << 11;
    QTest::newRow("0 / 0") << F([] { return numbers::fdiv(0, 0); }) << 0.0 << 6;
    QTest::newRow("truncation overflows") << F([] { return numbers::Fix(3e9); }) << 0.0 << 6;
    QTest::newRow("truncation toward zero") << F([] { return numbers::Fix(-2.9); }) << -2.0 << 0;
}

void tst_Numbers::checkedArithmetic()
{
    QFETCH(std::function<double()>, op);
    QFETCH(double, expected);
    QFETCH(int, error);
    double result = 0;
    QCOMPARE(errorOf([&] { result = op(); }), error);
    if (!error)
        QCOMPARE(result, expected);
}

void tst_Numbers::twoDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0.125 rounds away from zero") << 12.0 / 96 << "C"
                                                 << "0.13";
    QTest::newRow("6.666... in") << 640.0 / 96 << "C"
                                 << "6.67";
    QTest::newRow("16.933... cm") << 640.0 / 96 * 2.54 << "C"
                                  << "16.93";
    QTest::newRow("12.7 cm") << 480.0 / 96 * 2.54 << "C"
                             << "12.70";
    QTest::newRow("0") << 0.0 << "C"
                       << "0.00";
    // Binary 2.675 lies just below the half; its 15-digit text does not.
    QTest::newRow("2.675 via 15 digits") << 2.675 << "C"
                                         << "2.68";
    QTest::newRow("0.005 rounds up") << 0.005 << "C"
                                     << "0.01";
    QTest::newRow("-0.125 away from zero too") << -12.0 / 96 << "C"
                                               << "-0.13";
    // Binary 1.005 lies just below the half as well; rounding it directly gives 1.00.
    QTest::newRow("1.005 via 15 digits") << 1.005 << "C"
                                         << "1.01";
    QTest::newRow("0.00499 rounds down") << 0.00499 << "C"
                                         << "0.00";
    QTest::newRow("carry into the whole part") << 99.995 << "C"
                                               << "100.00";
    QTest::newRow("no grouping, past 15 digits") << 1e20 << "C"
                                                 << "100000000000000000000.00";
    QTest::newRow("locale's separator") << 1234.5 << "de_DE"
                                        << "1234,50";
}

void tst_Numbers::twoDecimals()
{
    QFETCH(double, value);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    const QString text = numbers::formatTwoDecimals(value);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(text, expected);
}

QTEST_APPLESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
