#include "instruments/picture_record.h"

#include "viewer/units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <cmath>

using measurement::Kind;
using measurement::Measurement;

namespace record
{

namespace
{

const QString kFormat = QStringLiteral("quarnet-picture-work");

const char* const kKindNames[] = {"line", "box", "point", "angle"};

QJsonArray pointJson(QPoint p)
{
    return QJsonArray{p.x(), p.y()};
}

QString colourJson(QRgb colour)
{
    return QLatin1Char('#') +
           QString::number(colour, 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

// Thrown inside fromJson only, with the reason.
struct Nonsense {
    QString why;
};

int integer(const QJsonValue& value, const char* what)
{
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || !std::isfinite(number) || number != std::floor(number) ||
        std::abs(number) > 1e9)
        throw Nonsense{QStringLiteral("%1 is not a whole number").arg(QLatin1String(what))};
    return int(number);
}

QPoint pixel(const QJsonValue& value, QSize image, const char* what)
{
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2)
        throw Nonsense{QStringLiteral("%1 is not a pixel").arg(QLatin1String(what))};
    const QPoint p(integer(pair[0], what), integer(pair[1], what));
    if (!QRect(QPoint(0, 0), image).contains(p))
        throw Nonsense{QStringLiteral("%1 lies off the picture").arg(QLatin1String(what))};
    return p;
}

QRgb colour(const QJsonValue& value)
{
    const QString text = value.toString();
    bool ok = false;
    const uint argb = text.mid(1).toUInt(&ok, 16);
    if (!value.isString() || text.size() != 9 || !text.startsWith(QLatin1Char('#')) || !ok)
        throw Nonsense{QStringLiteral("a colour is not #AARRGGBB")};
    return argb;
}

Measurement measurementOf(const QJsonValue& value, QSize image)
{
    const QJsonObject o = value.toObject();
    if (!value.isObject())
        throw Nonsense{QStringLiteral("a measurement is not an object")};
    Measurement m;
    const QString kind = o.value(QLatin1String("kind")).toString();
    int k = 0;
    while (k < 4 && kind != QLatin1String(kKindNames[k]))
        ++k;
    if (k == 4)
        throw Nonsense{QStringLiteral("a measurement's kind is unknown")};
    m.kind = Kind(k);
    m.from = pixel(o.value(QLatin1String("from")), image, "from");
    m.to = m.kind == Kind::Point ? m.from : pixel(o.value(QLatin1String("to")), image, "to");
    if (m.kind == Kind::Angle)
        m.firstArm = pixel(o.value(QLatin1String("firstArm")), image, "firstArm");
    if (m.kind == Kind::Point || m.kind == Kind::Line)
        m.colour = colour(o.value(QLatin1String("colour")));
    if (m.kind == Kind::Line)
        m.toColour = colour(o.value(QLatin1String("toColour")));
    return m;
}

guide::Guide guideOf(const QJsonValue& value, QSize image)
{
    const QJsonObject o = value.toObject();
    const QString across = o.value(QLatin1String("orientation")).toString();
    if (!value.isObject() ||
        (across != QLatin1String("horizontal") && across != QLatin1String("vertical")))
        throw Nonsense{QStringLiteral("a guide is neither horizontal nor vertical")};
    guide::Guide g;
    g.orientation = across == QLatin1String("vertical") ? Qt::Vertical : Qt::Horizontal;
    g.edge = integer(o.value(QLatin1String("edge")), "edge");
    const int last = g.orientation == Qt::Vertical ? image.width() : image.height();
    if (g.edge < 0 || g.edge > last)
        throw Nonsense{QStringLiteral("a guide lies off the picture")};
    return g;
}

} // namespace

QByteArray toJson(const PictureRecord& kept)
{
    QJsonArray measurements;
    for (const Measurement& m : kept.measurements) {
        QJsonObject o{{QStringLiteral("kind"), QLatin1String(kKindNames[int(m.kind)])},
                      {QStringLiteral("from"), pointJson(m.from)}};
        if (m.kind != Kind::Point)
            o.insert(QStringLiteral("to"), pointJson(m.to));
        if (m.kind == Kind::Angle)
            o.insert(QStringLiteral("firstArm"), pointJson(m.firstArm));
        if (m.kind == Kind::Point || m.kind == Kind::Line)
            o.insert(QStringLiteral("colour"), colourJson(m.colour));
        if (m.kind == Kind::Line)
            o.insert(QStringLiteral("toColour"), colourJson(m.toColour));
        measurements.append(o);
    }
    QJsonArray guides;
    for (const guide::Guide& g : kept.guides)
        guides.append(QJsonObject{{QStringLiteral("orientation"),
                                   g.orientation == Qt::Vertical ? QStringLiteral("vertical")
                                                                 : QStringLiteral("horizontal")},
                                  {QStringLiteral("edge"), g.edge}});
    QJsonObject root{{QStringLiteral("format"), kFormat},
                     {QStringLiteral("version"), kVersion},
                     {QStringLiteral("width"), kept.image.width()},
                     {QStringLiteral("height"), kept.image.height()},
                     {QStringLiteral("measurements"), measurements},
                     {QStringLiteral("guides"), guides}};
    if (kept.scale)
        root.insert(QStringLiteral("pixelsPerInch"), *kept.scale);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<PictureRecord> fromJson(const QByteArray& json, QString* why)
{
    try {
        if (json.size() > kMaxBytes)
            throw Nonsense{QStringLiteral("larger than %1 bytes").arg(kMaxBytes)};
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError)
            throw Nonsense{QStringLiteral("not JSON: %1").arg(error.errorString())};
        const QJsonObject root = document.object();
        if (root.value(QLatin1String("format")).toString() != kFormat)
            throw Nonsense{QStringLiteral("not a record of a picture's measurements")};
        const int version = integer(root.value(QLatin1String("version")), "version");
        if (version > kVersion)
            throw Nonsense{QStringLiteral("version %1, later than this program reads (%2)")
                               .arg(version)
                               .arg(kVersion)};
        if (version < 1)
            throw Nonsense{QStringLiteral("version %1 is not one").arg(version)};
        PictureRecord kept;
        kept.image = QSize(integer(root.value(QLatin1String("width")), "width"),
                           integer(root.value(QLatin1String("height")), "height"));
        if (kept.image.isEmpty())
            throw Nonsense{QStringLiteral("the picture's size is empty")};
        const QJsonValue measurements = root.value(QLatin1String("measurements"));
        const QJsonValue guides = root.value(QLatin1String("guides"));
        if (!measurements.isArray() || !guides.isArray())
            throw Nonsense{QStringLiteral("measurements or guides are not lists")};
        if (measurements.toArray().size() > kMaxMeasurements ||
            guides.toArray().size() > kMaxGuides)
            throw Nonsense{QStringLiteral("more measurements or guides than are kept")};
        for (const QJsonValue& m : measurements.toArray())
            kept.measurements.push_back(measurementOf(m, kept.image));
        for (const QJsonValue& g : guides.toArray())
            kept.guides.push_back(guideOf(g, kept.image));
        const QJsonValue scale = root.value(QLatin1String("pixelsPerInch"));
        if (!scale.isUndefined()) {
            if (!scale.isDouble() || !units::isSensiblePixelsPerInch(scale.toDouble()))
                throw Nonsense{QStringLiteral("the scale is not a sensible number")};
            kept.scale = scale.toDouble();
        }
        return kept;
    } catch (const Nonsense& nonsense) {
        if (why)
            *why = nonsense.why;
        return std::nullopt;
    }
}

} // namespace record
