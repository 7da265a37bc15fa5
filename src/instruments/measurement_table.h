#pragma once

#include "viewer/units.h"

#include <QList>
#include <QPoint>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <vector>

// Measurements kept side by side, as rows of figures: what the list of measurements shows,
// what Ctrl+Shift+C copies as tab-separated text and what is saved as CSV. No widgets here.
namespace measurement
{

enum class Kind { Line, Box, Point, Angle };

// One kept measurement, in image pixels.
struct Measurement {
    Kind kind = Kind::Line;
    // Line and box: the pressed pixel; point: the pixel; angle: the vertex, the end of the
    // line the second arm was drawn from.
    QPoint from;
    // Line and box: the pixel the drag ended on; angle: the second arm's end.
    QPoint to;
    // Angle: the first arm's other end.
    QPoint firstArm;
    // Point: the pixel's colour; line: the colour of `from`, for the contrast between its ends.
    QRgb colour = 0;
    // Line: the colour of `to`.
    QRgb toColour = 0;

    friend bool operator==(const Measurement&, const Measurement&) = default;
};

// A measurement's figures as texts, in the columns of the table: the position of its ends
// in image pixels, then Δx or width, Δy or height, length or area, angle, colour and unit in
// the unit chosen, with the decimals shown on screen and '-' for minus, and a line's contrast
// between its ends ("4.54:1 AA"). Columns that do not apply to the kind are "".
struct Row {
    QString number, kind, x1, y1, x2, y2, across, down, lengthOrArea, angle, colour, unit, contrast;
    QStringList fields() const;
};

// The kind's name as the list shows it: 线段, 矩形, 点, 角度.
QString kindName(Kind kind);
// The figures of a measurement numbered `number`, in a unit of the unit list at pixels per
// inch across and down. A box covers both end pixels: one pixel is 1 x 1. An angle is the
// one between the two arms, 0 to 180°, and its length the second arm's.
Row rowOf(const Measurement& kept, int number, int unit, double dpiX, double dpiY);

// Every measurement as a row, numbered from 1.
QList<Row> rowsOf(const std::vector<Measurement>& kept, int unit, units::PixelsPerInch perInch);

// The table's header row.
Row headerRow();
// The header and the rows as tab-separated lines, for pasting into a spreadsheet.
QString tabSeparated(const QList<Row>& rows);
// The header and the rows as CSV (RFC 4180): fields with a comma, a quote or a line break
// are quoted, quotes doubled, lines ended by CR LF. Given the unit's symbol, each header of
// a column of figures names its unit ("x1 (px)", "Δx 或宽 (cm)"): positions are in image
// pixels, lengths in the unit chosen.
QString commaSeparated(const QList<Row>& rows, const QString& unit = QString());

} // namespace measurement
