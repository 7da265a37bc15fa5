#pragma once

#include "toolkit/picture_box.h"
#include "toolkit/placed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace toolkit
{

// Sets a widget's background colour (filled) and, optionally, its text colour.
void setColors(QWidget& widget, ColorRef background);
void setColors(QWidget& widget, ColorRef background, ColorRef text);

class CommandButton : public Placed<QPushButton>
{
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent);
signals:
    void Click();
};

// A check box whose Value is 0 (unchecked), 1 (checked) or 2 (greyed). Click is raised
// whenever Value changes, by the user or by code.
class CheckBox : public Placed<QCheckBox>
{
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent);
    int Value() const;
    void setValue(int value);
signals:
    void Click();

protected:
    // A click toggles between unchecked and checked; greyed is only ever set by code.
    void nextCheckState() override;
};

class Label : public Placed<QLabel>
{
    Q_OBJECT
public:
    explicit Label(QWidget* parent);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
};

// A pick-only drop-down list. ListIndex is -1 while nothing is selected; appending items
// selects nothing. Click is raised whenever the selection changes, also from code.
class ComboBox : public Placed<QComboBox>
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent);
    void Clear();
    void AddItem(const QString& item);
    int ListCount() const { return count(); }
    int ListIndex() const { return currentIndex(); }
    // Raises the invalid-argument error for an index outside -1 .. ListCount - 1.
    void setListIndex(int index);
    // The text of the selected item, "" when none is.
    QString Text() const { return currentIndex() < 0 ? QString() : currentText(); }
signals:
    void Click();
};

// A scroll bar with 16-bit Max, Value, SmallChange and LargeChange and a minimum of 0.
// Change is raised whenever Value changes: by code, by a click on an arrow or in the
// trough, by Max being lowered below Value, and once at the end of a thumb drag. While the
// thumb is dragged, Scroll is raised at every step instead.
class ScrollBar : public Placed<QScrollBar>
{
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent);
    // Max may be set below 0 and reads back as set; the bar then has no travel.
    qint16 Max() const { return max_; }
    void setMax(int max);
    qint16 Value() const { return qint16(value()); }
    // Raises the invalid-property-value error for a value outside 0 .. Max.
    void setValue(int value);
    qint16 SmallChange() const { return qint16(singleStep()); }
    void setSmallChange(int step);
    qint16 LargeChange() const { return qint16(pageStep()); }
    void setLargeChange(int step);
signals:
    void Change();
    void Scroll();

private:
    bool draggedSincePress_ = false;
    qint16 max_ = 32767;
};

// A filled rectangle that lets the mouse through to whatever lies under it.
class Shape : public Placed<QWidget>
{
    Q_OBJECT
public:
    explicit Shape(QWidget* parent);
    ColorRef FillColor() const { return color_; }
    void setFillColor(ColorRef color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef color_ = RGB(255, 0, 0);
};

} // namespace toolkit
