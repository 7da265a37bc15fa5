#pragma once

#include <QSize>
#include <QWidget>
#include <memory>

namespace toolkit
{

// A top-level window measured as the classic form toolkit measures one: its outer size in
// twips, frame included where the window system draws one, and its client area in pixels.
// Under a window manager the frame is only known once the window has been mapped, and may
// change later; the form hears of that from the window system and tells frameMayHaveChanged.
class Form : public QWidget
{
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // The window's outer size in twips, frame included.
    float Width() const;
    float Height() const;
    void setWidth(float twips);
    void setHeight(float twips);
    // The client area in pixels.
    float ScaleWidth() const { return float(width()); }
    float ScaleHeight() const { return float(height()); }

protected:
    // The frame the window system draws around the client area (outer minus client size),
    // or nothing while it has none yet.
    QSize frameSize() const;
    // Runs whenever the window manager may have framed the window anew: on its first
    // exposure, around activation, and after the X server tells of a reparent, a configure
    // or a property change of the window.
    virtual void frameMayHaveChanged() {}

    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class FrameWatcher;
    std::unique_ptr<FrameWatcher> frameWatcher_;
};

} // namespace toolkit
