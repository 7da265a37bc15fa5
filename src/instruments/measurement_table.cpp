#include "instruments/measurement_table.h"

#include "instruments/colours.h"
#include "instruments/measurement.h"
#include "viewer/numbers.h"
#include "viewer/units.h"

#include <QCoreApplication>
#include <cmath>
#include <numbers>

namespace measurement
{

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("measurement", text);
}

void setEnds(Row& row, QPoint from, QPoint to)
{
    row.x1 = QString::number(from.x());
    row.y1 = QString::number(from.y());
    row.x2 = QString::number(to.x());
    row.y2 = QString::number(to.y());
}

void fillBox(Row& row, const Measurement& kept, int unit, double dpiX, double dpiY)
{
    // Both end pixels belong to the box.
    const qint32 width = numbers::add(std::abs(numbers::sub(kept.to.x(), kept.from.x())), 1);
    const qint32 height = numbers::add(std::abs(numbers::sub(kept.to.y(), kept.from.y())), 1);
    setEnds(row, kept.from, kept.to);
    row.across = units::lengthText(unit, width, dpiX);
    row.down = units::lengthText(unit, height, dpiY);
    const bool inLengths = unit == units::kInches || unit == units::kCentimetres;
    row.lengthOrArea = inLengths ? numbers::formatTwoDecimals(units::lengthIn(unit, width, dpiX) *
                                                              units::lengthIn(unit, height, dpiY))
                                 : QString::number(qint64(width) * height);
}

void fillAngle(Row& row, const Measurement& kept, int unit, double dpiX, double dpiY)
{
    const Figures arm = figuresOf(kept.from, kept.to, unit, dpiX, dpiY);
    setEnds(row, kept.from, kept.to);
    row.across = arm.dx;
    row.down = arm.dy;
    row.lengthOrArea = arm.length;
    // Between the arms as they show in the unit, so non-square pixels do not bend it.
    const auto inUnits = [&](QPoint end) {
        return std::pair{units::lengthIn(unit, numbers::sub(end.x(), kept.from.x()), dpiX),
                         units::lengthIn(unit, numbers::sub(end.y(), kept.from.y()), dpiY)};
    };
    const auto [ax, ay] = inUnits(kept.firstArm);
    const auto [bx, by] = inUnits(kept.to);
    const double between = std::atan2(std::abs(ax * by - ay * bx), ax * bx + ay * by);
    row.angle = numbers::formatTwoDecimals(between * 180.0 / std::numbers::pi);
}

QString quotedForCsv(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QStringList Row::fields() const
{
    return {number, kind, x1, y1, x2, y2, across, down, lengthOrArea, angle, colour, unit};
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Line:
        return tr("线段");
    case Kind::Box:
        return tr("矩形");
    case Kind::Point:
        return tr("点");
    case Kind::Angle:
        return tr("角度");
    }
    return QString();
}

Row rowOf(const Measurement& kept, int number, int unit, double dpiX, double dpiY)
{
    Row row;
    row.number = QString::number(number);
    row.kind = kindName(kept.kind);
    row.unit = units::symbol(unit);
    switch (kept.kind) {
    case Kind::Line: {
        const Figures line = figuresOf(kept.from, kept.to, unit, dpiX, dpiY);
        setEnds(row, kept.from, kept.to);
        row.across = line.dx;
        row.down = line.dy;
        row.lengthOrArea = line.length;
        row.angle = line.angle;
        break;
    }
    case Kind::Box:
        fillBox(row, kept, unit, dpiX, dpiY);
        break;
    case Kind::Point:
        row.x1 = QString::number(kept.from.x());
        row.y1 = QString::number(kept.from.y());
        row.colour = colours::hexText(kept.colour);
        break;
    case Kind::Angle:
        fillAngle(row, kept, unit, dpiX, dpiY);
        break;
    }
    return row;
}

Row headerRow()
{
    return Row{tr("编号"),           tr("类型"),           QStringLiteral("x1"),
               QStringLiteral("y1"), QStringLiteral("x2"), QStringLiteral("y2"),
               tr("Δx 或宽"),        tr("Δy 或高"),        tr("长度或面积"),
               tr("角度"),           tr("颜色"),           tr("单位")};
}

QString tabSeparated(const QList<Row>& rows)
{
    QString text = headerRow().fields().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const Row& row : rows)
        text += row.fields().join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

QString commaSeparated(const QList<Row>& rows)
{
    QString text;
    const auto line = [&text](const Row& row) {
        QStringList fields = row.fields();
        for (QString& field : fields)
            field = quotedForCsv(field);
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    line(headerRow());
    for (const Row& row : rows)
        line(row);
    return text;
}

} // namespace measurement
