#pragma once

#include "instruments/portal_screenshot.h"
#include "viewer/instrument.h"

#include <QList>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <QWidget>

class ScratchPicture;

// Takes the screen to measure it: the viewer and its tool windows step out of the way, the
// screen the viewer is on is taken after the delay chosen (0, 3 or 5 seconds, remembered;
// the seconds left show in the caption), and the viewer comes back showing it as a paste is
// shown, named "屏幕截图 HH:MM:SS". On X11 from the X server, in device pixels; on Wayland,
// and to let the desktop's own chooser pick a window or an area, through the desktop's
// screenshot portal. Where neither gives a picture, nothing changes and a brief note says
// why. Ctrl+Alt+A, "截取屏幕" and "截取…" in the context menu, and --capture.
class CaptureTool : public Instrument
{
    Q_OBJECT
public:
    CaptureTool(frmVelmora& window, ScratchPicture& made);

    // Starts a capture of the whole screen, or of what the desktop's chooser picks; nothing
    // while one is under way.
    void capture(bool choosing = false);
    bool capturing() const { return capturing_; }
    int delaySeconds() const;
    void setDelaySeconds(int seconds);
    // The last brief note given ("截屏已取消"), for the tests.
    QString lastNote() const { return lastNote_; }
    // The portal the picture is asked of where the X server cannot give it.
    PortalScreenshot& portal() { return portal_; }
    // Whether the screen is asked of the portal even where the X server could give it, as on
    // Wayland.
    void setUsePortal(bool use) { usePortal_ = use; }

    // How long the windows are given to leave the screen before it is taken.
    static constexpr int kStepAsideMs = 100;
    static constexpr int kDelays[] = {0, 3, 5};
    // How often a note waits for the window to be active again, and how many times.
    static constexpr int kNoteAfterMs = 200;
    static constexpr int kNoteWaits = 10;

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    void stepAside();
    void comeBack();
    void countDown();
    void take();
    void taken(const PortalScreenshot::Outcome& outcome);
    void note(const QString& text);
    void showPendingNote();

    ScratchPicture& made_;
    PortalScreenshot portal_;
    QTimer wait_;
    QTimer noteDue_;
    QString pendingNote_;
    int noteWaits_ = 0;
    QList<QPointer<QWidget>> hidden_;
    QPointer<QScreen> screen_;
    QString captionNote_;
    QString lastNote_;
    int secondsLeft_ = 0;
    bool choosing_ = false;
    bool capturing_ = false;
    bool usePortal_ = false;
};
