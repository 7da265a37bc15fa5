#pragma once

#include "toolkit/runtime_error.h"

#include <QWidget>
#include <cmath>

namespace toolkit
{

// The whole device pixel a fractional position or size lands on. One mapping for every
// control: floor(v + 0.5) is unchanged by whole-pixel shifts, so a picture at 220.5 and
// the ruler laid against it land on the same column.
inline int toDevicePixels(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

// A widget positioned by single-precision Left, Top, Width and Height, read back exactly
// as set (a centred picture at 220.5 reads 220.5) and shown at whole device pixels.
template <class Base> class Placed : public Base
{
public:
    explicit Placed(QWidget* parent) : Base(parent) {}

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    void setLeft(float v) { Move(v, top_, width_, height_); }
    void setTop(float v) { Move(left_, v, width_, height_); }
    void setWidth(float v) { Move(left_, top_, v, height_); }
    void setHeight(float v) { Move(left_, top_, width_, v); }
    void Move(float left, float top) { Move(left, top, width_, height_); }
    // Negative or non-finite sizes are refused with an error, as the classic toolkit does.
    void Move(float left, float top, float width, float height)
    {
        if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(width) ||
            !std::isfinite(height) || width < 0 || height < 0)
            raiseError(Err::InvalidProcedureCall);
        const float oldLeft = left_, oldTop = top_, oldWidth = width_, oldHeight = height_;
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
        try {
            placedHook();
        } catch (...) {
            left_ = oldLeft;
            top_ = oldTop;
            width_ = oldWidth;
            height_ = oldHeight;
            throw;
        }
        Base::setGeometry(deviceRect());
    }

    // The device pixels the control covers. Each edge is mapped on its own, so a ruler 25.5
    // pixels thick laid against the picture's top edge ends exactly where the picture starts.
    QRect deviceRect() const
    {
        const int left = toDevicePixels(left_), top = toDevicePixels(top_);
        return QRect(left, top, toDevicePixels(double(left_) + width_) - left,
                     toDevicePixels(double(top_) + height_) - top);
    }

    // Whether the control is shown when its container is: its own flag, not its ancestors'.
    bool Visible() const
    {
        return !this->isHidden() || !this->testAttribute(Qt::WA_WState_ExplicitShowHide);
    }
    // ZOrder 0: in front of every sibling.
    void ZOrder() { Base::raise(); }

protected:
    // Runs after a change of geometry, before the widget moves; may refuse by throwing.
    virtual void placedHook() {}

private:
    float left_ = 0;
    float top_ = 0;
    float width_ = 0;
    float height_ = 0;
};

} // namespace toolkit
