#include "toolkit/controls.h"

#include "toolkit/runtime_error.h"

#include <QPainter>
#include <limits>

namespace toolkit
{

namespace
{
constexpr int InvalidPropertyValue = 380;

// A 16-bit property value, or the overflow error.
int checked16(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        raiseError(Err::Overflow);
    return value;
}
} // namespace

void setColors(QWidget& widget, ColorRef background)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(toQRgb(background)));
    palette.setColor(QPalette::Button, QColor(toQRgb(background)));
    palette.setColor(QPalette::Base, QColor(toQRgb(background)));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void setColors(QWidget& widget, ColorRef background, ColorRef text)
{
    setColors(widget, background);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, QColor(toQRgb(text)));
    palette.setColor(QPalette::Text, QColor(toQRgb(text)));
    palette.setColor(QPalette::ButtonText, QColor(toQRgb(text)));
    widget.setPalette(palette);
}

CommandButton::CommandButton(QWidget* parent) : Placed<QPushButton>(parent)
{
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

CheckBox::CheckBox(QWidget* parent) : Placed<QCheckBox>(parent)
{
    connect(this, &QCheckBox::stateChanged, this, &CheckBox::Click);
}

int CheckBox::Value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void CheckBox::setValue(int value)
{
    if (value < 0 || value > 2)
        raiseError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void CheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

Label::Label(QWidget* parent) : Placed<QLabel>(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

ComboBox::ComboBox(QWidget* parent) : Placed<QComboBox>(parent)
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, &ComboBox::Click);
}

void ComboBox::Clear()
{
    clear();
}

void ComboBox::AddItem(const QString& item)
{
    // Qt selects the first item appended to an empty list; a list here selects nothing
    // until told to, and says nothing about it.
    const QSignalBlocker quiet(this);
    const int before = currentIndex();
    addItem(item);
    if (currentIndex() != before)
        setCurrentIndex(before);
}

void ComboBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        raiseError(Err::InvalidProcedureCall);
    setCurrentIndex(index);
}

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : Placed<QScrollBar>(parent)
{
    setOrientation(orientation);
    // A new bar's range and steps, before anything sets them.
    setRange(0, 32767);
    setSingleStep(1);
    setPageStep(1);
    connect(this, &QAbstractSlider::sliderPressed, this, [this] { draggedSincePress_ = false; });
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (isSliderDown()) {
            draggedSincePress_ = true;
            emit Scroll();
        } else {
            emit Change();
        }
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        if (draggedSincePress_)
            emit Change();
    });
}

void ScrollBar::setMax(int max)
{
    max_ = qint16(checked16(max));
    // Lowering the range below Value pulls Value down, which raises Change.
    setRange(0, std::max<int>(max_, 0));
}

void ScrollBar::setValue(int value)
{
    if (checked16(value) < 0 || value > maximum())
        raiseError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    QScrollBar::setValue(value);
}

void ScrollBar::setSmallChange(int step)
{
    setSingleStep(checked16(step));
}

void ScrollBar::setLargeChange(int step)
{
    setPageStep(checked16(step));
}

Shape::Shape(QWidget* parent) : Placed<QWidget>(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Shape::setFillColor(ColorRef color)
{
    color_ = color;
    update();
}

void Shape::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(toQRgb(color_)));
}

} // namespace toolkit
