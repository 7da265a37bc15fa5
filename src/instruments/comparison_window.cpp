#include "instruments/comparison_window.h"

#include "instruments/comparison.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

ComparisonWindow::ComparisonWindow(Comparison& comparison, QWidget* viewer)
    : ToolWindow(viewer, QStringLiteral("comparison"), Level::Top), comparison_(comparison),
      mode_(new QComboBox), opacity_(new QSpinBox), tolerance_(new QSpinBox),
      marking_(new QCheckBox(tr("标出超出容差的像素"))), offset_(new QLabel), counts_(new QLabel),
      note_(new QLabel), align_(new QPushButton(tr("自动对齐"))),
      boxes_(new QPushButton(tr("框出不同")))
{
    setObjectName(QStringLiteral("comparisonWindow"));
    setWindowTitle(tr("对比"));
    mode_->addItems({tr("叠加"), tr("差异"), tr("闪烁")});
    opacity_->setRange(10, 100);
    opacity_->setSingleStep(10);
    opacity_->setSuffix(QStringLiteral(" %"));
    tolerance_->setRange(0, differences::kMaxTolerance);
    offset_->setObjectName(QStringLiteral("comparisonOffset"));
    counts_->setObjectName(QStringLiteral("comparisonCounts"));
    note_->setObjectName(QStringLiteral("comparisonNote"));
    note_->setWordWrap(true);
    note_->hide();
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(tr("方式"), mode_);
    form->addRow(tr("不透明度"), opacity_);
    form->addRow(tr("容差"), tolerance_);
    form->addRow(QString(), marking_);
    form->addRow(tr("偏移"), offset_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(align_);
    buttons->addWidget(boxes_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(counts_);
    layout->addWidget(note_);
    layout->addLayout(buttons);

    connect(mode_, &QComboBox::currentIndexChanged, this,
            [this](int index) { comparison_.setMode(Comparison::Mode(index)); });
    connect(opacity_, &QSpinBox::valueChanged, this,
            [this](int percent) { comparison_.setOpacityTenths((percent + 5) / 10); });
    connect(tolerance_, &QSpinBox::valueChanged, this,
            [this](int tolerance) { comparison_.setTolerance(tolerance); });
    connect(marking_, &QCheckBox::toggled, this, [this](bool on) { comparison_.setMarking(on); });
    connect(align_, &QPushButton::clicked, this, &ComparisonWindow::alignAsked);
    connect(boxes_, &QPushButton::clicked, this, &ComparisonWindow::boxesAsked);
}

bool ComparisonWindow::event(QEvent* event)
{
    // Esc here is this window's, not the viewer's (which removes the last measurement): the
    // viewer's keys reach its tool windows too.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return ToolWindow::event(event);
}

void ComparisonWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        emit endAsked();
        return;
    }
    ToolWindow::keyPressEvent(event);
}

void ComparisonWindow::showState(const QString& counts)
{
    // Set from the comparison, not by a person: no signal back to it.
    const QSignalBlocker blockMode(mode_), blockOpacity(opacity_), blockTolerance(tolerance_),
        blockMarking(marking_);
    mode_->setCurrentIndex(int(comparison_.mode()));
    opacity_->setValue(comparison_.opacityTenths() * 10);
    opacity_->setEnabled(comparison_.mode() == Comparison::Mode::Overlay);
    tolerance_->setValue(comparison_.tolerance());
    marking_->setChecked(comparison_.marking());
    const QPoint offset = comparison_.offset();
    offset_->setText(QStringLiteral("x %1  y %2")
                         .arg(offset.x())
                         .arg(offset.y())
                         .replace(QLatin1Char('-'), QChar(0x2212)));
    counts_->setText(counts);
    align_->setEnabled(comparison_.active());
    boxes_->setEnabled(comparison_.active());
}

void ComparisonWindow::setNote(const QString& note)
{
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
}

QString ComparisonWindow::note() const
{
    return note_->text();
}

QString ComparisonWindow::countsText() const
{
    return counts_->text();
}

void ComparisonWindow::closeEvent(QCloseEvent* event)
{
    // The close button ends the comparison; the window goes with it.
    event->ignore();
    emit endAsked();
}
