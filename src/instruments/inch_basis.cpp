#include "instruments/inch_basis.h"

#include "instruments/file_density.h"
#include "instruments/measurement_store.h"
#include "toolkit/services.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSettings>
#include <QTableView>
#include <cmath>

namespace
{

const QString kBasisKey = QStringLiteral("inches/basis");

const QStringList kRemembered = {QStringLiteral("screen"), QStringLiteral("file"),
                                 QStringLiteral("monitor")};

// Pixels per inch as the size text gives them: up to two decimals, no trailing zeros.
QString ppiText(double ppi)
{
    QString text = QString::number(ppi, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString ppiFigures(units::PixelsPerInch perInch)
{
    if (perInch.x == perInch.y)
        return ppiText(perInch.x);
    return InchBasis::tr("%1 × %2").arg(ppiText(perInch.x), ppiText(perInch.y));
}

QString ppiText(units::PixelsPerInch perInch)
{
    return InchBasis::tr("%1 ppi").arg(ppiFigures(perInch));
}

// A basis named by its kind and resolution ("文件 300 ppi"), and in fewer words after it.
units::Basis namedBasis(units::PixelsPerInch perInch, const QString& kind)
{
    return units::Basis{perInch,
                        InchBasis::tr("%1 %2").arg(kind, ppiText(perInch)),
                        {InchBasis::tr("%1 %2").arg(kind, ppiFigures(perInch)), kind}};
}

} // namespace

InchBasis::InchBasis(frmVelmora& window, MeasurementStore& store)
    : Instrument(window), store_(store)
{
    setObjectName(QStringLiteral("inchBasis"));
    const int remembered = kRemembered.indexOf(QSettings().value(kBasisKey).toString());
    if (remembered >= 0)
        chosen_ = Kind(remembered);
    // Asked for from wherever a line is offered (the list's rows): the dialog opens once the
    // menu that asked has closed.
    connect(&store_, &MeasurementStore::scaleRequested, this,
            [this](int index) { afterThisEvent([this, index] { askScale(index); }); });
    apply();
}

InchBasis::Kind InchBasis::inForce() const
{
    return calibrationInForce_ ? Kind::Calibrated : chosen_;
}

void InchBasis::choose(Kind kind)
{
    if (kind == Kind::Calibrated) {
        calibrationInForce_ = calibrated_.has_value();
    } else {
        calibrationInForce_ = false;
        chosen_ = kind;
        if (kind != Kind::Given)
            QSettings().setValue(kBasisKey, kRemembered.value(int(kind)));
    }
    apply();
}

bool InchBasis::chooseFromCommandLine(const QString& basis)
{
    const int named = kRemembered.indexOf(basis);
    if (named >= 0) {
        calibrationInForce_ = false;
        chosen_ = Kind(named);
    } else if (const auto ppi = units::pixelsPerInchFrom(basis)) {
        calibrationInForce_ = false;
        chosen_ = Kind::Given;
        given_ = *ppi;
    } else {
        return false;
    }
    apply();
    return true;
}

void InchBasis::apply()
{
    const units::PixelsPerInch screen = window().screenPixelsPerInch();
    // The screen's resolution standing in where the chosen one is not known, said briefly:
    // the size text has room for little more than the basis, and the screen's resolution
    // is the one the figures would have had anyway.
    const auto fallback = [&](const QString& chosen) {
        return units::Basis{screen, tr("%1无→屏幕").arg(chosen), {}};
    };
    std::optional<units::Basis> basis;
    switch (inForce()) {
    case Kind::Screen:
        break;
    case Kind::Given:
        basis = namedBasis({given_, given_}, tr("指定"));
        break;
    case Kind::Calibrated:
        basis = namedBasis({*calibrated_, *calibrated_}, tr("校准"));
        break;
    case Kind::File:
        if (const auto recorded = density::recordedIn(window().picturePath()))
            basis = namedBasis(*recorded, tr("文件"));
        else
            basis = fallback(tr("文件"));
        break;
    case Kind::Monitor: {
        const units::PixelsPerInch physical = window().physicalPixelsPerInch();
        if (units::isSensiblePixelsPerInch(physical.x) &&
            units::isSensiblePixelsPerInch(physical.y))
            basis = namedBasis(physical, tr("显示器"));
        else
            basis = fallback(tr("显示器"));
        break;
    }
    }
    if (basis != window().inchBasis())
        setInchBasis(basis);
}

void InchBasis::pictureChanged()
{
    // A scale belongs to the picture it was set on: the work keeper has put the new
    // picture's in place by now.
    apply();
}

void InchBasis::setScale(std::optional<double> pixelsPerInch, Apply when)
{
    calibrated_ = pixelsPerInch;
    calibrationInForce_ = pixelsPerInch.has_value();
    if (when == Apply::Now)
        apply();
}

QString InchBasis::calibrate(int index, double length, Length unit)
{
    if (index < 0 || index >= store_.count() || store_.at(index).kind != measurement::Kind::Line)
        return tr("只有线段能设定比例。");
    const measurement::Measurement& line = store_.at(index);
    const QPoint along = line.to - line.from;
    const double pixels = std::hypot(double(along.x()), double(along.y()));
    if (pixels == 0)
        return tr("长度为零的线段不能设定比例。");
    if (!std::isfinite(length) || length <= 0)
        return tr("实际长度必须是大于零的数。");
    const double perInch = unit == Length::Millimetres   ? 25.4
                           : unit == Length::Centimetres ? 2.54
                                                         : 1.0;
    const double ppi = pixels / (length / perInch);
    if (!units::isSensiblePixelsPerInch(ppi))
        return tr("这样的比例是每英寸 %1 像素，超出了 0.01 到 100000 的范围。")
            .arg(QString::number(ppi, 'g', 6));
    calibrated_ = ppi;
    calibrationInForce_ = true;
    apply();
    emit scaleSet();
    return QString();
}

void InchBasis::askScale(int index)
{
    QWidget* owner = dialogOwner();
    QDialog dialog(owner);
    dialog.setWindowTitle(tr("设定比例"));
    auto* length = new QLineEdit(&dialog);
    auto* unit = new QComboBox(&dialog);
    unit->addItems({QStringLiteral("mm"), QStringLiteral("cm"), QStringLiteral("in")});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(tr("线段 %1 的实际长度：").arg(index + 1), length);
    form->addRow(tr("单位："), unit);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The desktop's own decimal mark, or a point.
    bool ok = false;
    double value = QLocale().toDouble(length->text().trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(length->text().trimmed(), &ok);
    const QString refused = ok ? calibrate(index, value, Length(unit->currentIndex()))
                               : tr("实际长度必须是大于零的数。");
    if (!refused.isEmpty())
        toolkit::MsgBox(owner, refused);
}

void InchBasis::addBasisEntries(QMenu& menu)
{
    QMenu* bases = menu.addMenu(tr("英寸依据"));
    auto* group = new QActionGroup(bases);
    const auto entry = [&](const QString& text, Kind kind, bool enabled) {
        QAction* action = addMenuEntry(*bases, text, [this, kind] { choose(kind); });
        action->setCheckable(true);
        action->setChecked(inForce() == kind);
        action->setEnabled(enabled);
        group->addAction(action);
    };
    entry(tr("屏幕"), Kind::Screen, true);
    entry(tr("文件"), Kind::File, true);
    entry(tr("校准"), Kind::Calibrated, calibrated_.has_value());
    entry(tr("显示器"), Kind::Monitor, true);
    if (chosen_ == Kind::Given)
        entry(tr("指定 %1").arg(ppiText({given_, given_})), Kind::Given, true);
}

void InchBasis::addMenuEntries(QMenu& menu, QPointF inViewport)
{
    if (window().picture().isNull())
        return;
    menu.addSeparator();
    addBasisEntries(menu);
    const measurement::Placement placed{window().pictureOrigin(), window().factor(),
                                        window().imageSize()};
    const auto line = store_.lineFor(placed, inViewport);
    QAction* scale = addMenuEntry(menu, tr("设定比例…"), [this, line] {
        if (line)
            askScale(*line);
    });
    scale->setEnabled(line.has_value());
}
