#pragma once

#include <QObject>

// What a press on the picture does, shared by the instruments that take presses: measure (the
// default), or, in the spacing mode, keep the span found from the pointer.
class PointerMode : public QObject
{
    Q_OBJECT
public:
    explicit PointerMode(QObject* parent = nullptr) : QObject(parent) {}

    bool spacing() const { return spacing_; }
    void setSpacing(bool on)
    {
        if (on == spacing_)
            return;
        spacing_ = on;
        emit changed();
    }

signals:
    void changed();

private:
    bool spacing_ = false;
};
