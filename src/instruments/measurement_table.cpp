#include "instruments/measurement_table.h"

#include "instruments/contrast.h"
#include "instruments/figures.h"

#include <QCoreApplication>

namespace measurement
{

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("measurement", text);
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
    return {number, kind,         x1,    y1,     x2,   y2,      across,
            down,   lengthOrArea, angle, colour, unit, contrast};
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
    const Figures figures = figuresOf(kept, unit, {dpiX, dpiY});
    Row row;
    row.number = QString::number(number);
    row.kind = kindName(kept.kind);
    row.x1 = QString::number(kept.from.x());
    row.y1 = QString::number(kept.from.y());
    // A point has one place.
    if (kept.kind != Kind::Point) {
        row.x2 = QString::number(kept.to.x());
        row.y2 = QString::number(kept.to.y());
    }
    row.across = figures.across;
    row.down = figures.down;
    row.lengthOrArea = figures.lengthOrArea;
    row.angle = figures.angle;
    row.colour = figures.colour;
    row.unit = figures.unit;
    if (kept.kind == Kind::Line) {
        const double ratio = contrast::ratio(kept.colour, kept.toColour);
        row.contrast = contrast::ratioText(ratio) + QLatin1Char(' ') + contrast::levelText(ratio);
    }
    return row;
}

QList<Row> rowsOf(const std::vector<Measurement>& kept, int unit, units::PixelsPerInch perInch)
{
    QList<Row> rows;
    rows.reserve(qsizetype(kept.size()));
    for (std::size_t i = 0; i < kept.size(); ++i)
        rows << rowOf(kept[i], int(i + 1), unit, perInch.x, perInch.y);
    return rows;
}

Row headerRow()
{
    return Row{tr("编号"),           tr("类型"),           QStringLiteral("x1"),
               QStringLiteral("y1"), QStringLiteral("x2"), QStringLiteral("y2"),
               tr("Δx 或宽"),        tr("Δy 或高"),        tr("长度或面积"),
               tr("角度"),           tr("颜色"),           tr("单位"),
               tr("对比度")};
}

QString tabSeparated(const QList<Row>& rows)
{
    QString text = headerRow().fields().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const Row& row : rows)
        text += row.fields().join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

QString commaSeparated(const QList<Row>& rows, const QString& unit)
{
    Row header = headerRow();
    if (!unit.isEmpty()) {
        const auto in = [](QString& field, const QString& what) {
            field += QStringLiteral(" (") + what + QLatin1Char(')');
        };
        for (QString* position : {&header.x1, &header.y1, &header.x2, &header.y2})
            in(*position, QStringLiteral("px"));
        in(header.across, unit);
        in(header.down, unit);
        in(header.lengthOrArea, unit + tr(" 或 ") + unit + QStringLiteral("²"));
        in(header.angle, QStringLiteral("°"));
    }
    QString text;
    const auto line = [&text](const Row& row) {
        QStringList fields = row.fields();
        for (QString& field : fields)
            field = quotedForCsv(field);
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    line(header);
    for (const Row& row : rows)
        line(row);
    return text;
}

} // namespace measurement
