#pragma once

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/picture_box.h"
#include "toolkit/runtime_error.h"
#include "viewer/instrument.h"
#include "viewer/instrument_host.h"
#include "viewer/picture_view.h"
#include "viewer/units.h"

#include <QHash>
#include <QImage>
#include <QSize>
#include <memory>
#include <optional>

class clsFileDlg;
class QKeyEvent;
class QMimeData;
class QPainter;
class QWheelEvent;

// The one window of the program: its 21 controls, the state every handler shares, and the
// handlers and procedures that make up the viewer. Each group of procedures lives in its
// own source file, named after what it does (layout.cpp, loading.cpp, rulers.cpp, ...).
// Instruments (a measuring tool, ...) attach from outside and read the window through its
// PictureView; the window's InstrumentHost (instrument_host.h) owns and tells them.
class frmVelmora : public toolkit::Form, public PictureView
{
    Q_OBJECT
public:
    // Creates the controls at their design places for the screen's DPI, then runs
    // Form_Initialize and Form_Load. Showing the window runs Form_Resize, then Form_Activate.
    explicit frmVelmora(QWidget* parent = nullptr);
    ~frmVelmora() override;

    // Opens a file through the same path as the Open button after the dialog: the file
    // named on the command line and a file dropped on the window come in here.
    void OpenPicture(const QString& path);
    // Reads the picture's file again through the same path, then puts back the factor and,
    // as far as the new picture reaches, the scroll position: F5 and a change on disk.
    void ReopenPicture(const QString& path);

    // The client size that the minimum outer size gives a window whose client asked for
    // `asked` inside a frame of `frame` (outer minus client size), at the screen's DPI: each
    // side at or below the minimum becomes exactly the minimum, frame included.
    static QSize clientSizeHeldToMinimum(QSize asked, QSize frame);

    // --- Controls, in design order. All are children of the window and live as long. ---
    toolkit::CommandButton* cmdOpen;
    toolkit::CheckBox* ckbShowRulers;
    toolkit::Label* lblUnit;
    toolkit::ComboBox* cboUnit;
    toolkit::Label* lblMagnification;
    toolkit::ComboBox* cboMagnify;
    toolkit::PictureBox* picOrig;
    toolkit::PictureBox* picTemp1;
    toolkit::PictureBox* picTemp2;
    toolkit::PictureBox* picRulerBaseW;
    toolkit::PictureBox* picRulerW;
    toolkit::Shape* shpMarkerW;
    toolkit::PictureBox* picRulerBaseH;
    toolkit::PictureBox* picRulerH;
    toolkit::Shape* shpMarkerH;
    toolkit::ScrollBar* hsrDisp;
    toolkit::ScrollBar* vsrDisp;
    toolkit::PictureBox* picDispBase;
    toolkit::PictureBox* picDisp;
    toolkit::Label* lblXY;
    toolkit::Label* lblImageSize;

    // --- Shared state. Zero until the handlers below set it. ---
    std::unique_ptr<clsFileDlg> fileDlg; // made on the first press of Open
    qint32 imageWidth = 0;               // image pixels, before magnification
    qint32 imageHeight = 0;
    qint32 magnification = 0; // whole factor picDisp shows the image at
    qint32 baseLeft = 0;      // viewport's left edge, also the margin at its right
    qint32 baseTop = 0;       // viewport's top edge
    qint32 dpiX = 0;          // screen pixels per logical inch
    qint32 dpiY = 0;
    // Ruler scales: image pixels per number, per tick and per long tick; screen pixels
    // per number (magnified).
    qint32 unitPxX = 0, unitPxY = 0;
    qint32 minorStepX = 0, minorStepY = 0;
    qint32 midStepX = 0, midStepY = 0;
    qint32 unitPxMagX = 0, unitPxMagY = 0;
    // An update is under way: layout, magnification and scrolling handlers return at once.
    // 0 false, -1 true.
    qint16 busy = 0;

    // --- The window's own events (main_window.cpp) ---
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void Form_Unload(int& cancel);
    void ReadScreenDpi(qint32& x, qint32& y);

    // --- Layout on resize (layout.cpp) ---
    void Form_Resize();
    void PlacePicture();
    void RestoreScrollPositions(qint32 oldH, qint32 oldV);

    // --- Loading an image (loading.cpp) ---
    void cmdOpen_Click();
    void ShowImageSize();

    // --- Magnification (magnify.cpp) ---
    void cboMagnify_Click();
    // Shows the image in picDisp enlarged into a copy at 1 or 2, as the list's handler does.
    void ShowMagnifiedCopy(qint32 factor);
    // After a factor could not be shown: the one in force before again, and the message.
    void RecoverFromFailedZoom(Zoom before);

    // --- Zoom beyond 1 and 2 (zooming.cpp, zoomed_rulers.cpp) ---
    // The factor the picture is shown at; `magnification` follows it at 1 and 2 and reads 1
    // at the others, which only the zoom's own drawing knows.
    Zoom zoom_;
    // Screen pixels per scroll bar value: 1 but where a zoomed picture is longer than a bar
    // counts.
    qint32 scrollUnitX = 1, scrollUnitY = 1;
    // The one-pixel grid between image pixels from 8 up (G; remembered).
    bool gridShown = true;
    // 1 and 2 are the list's own, with its specified copy into picDisp.
    static bool isSpecifiedFactor(const Zoom& factor);
    void AddZoomEntries();
    void ConnectZoomKeys();
    // Shows the picture at `to`, keeping the image point under `keep` (viewport pixels)
    // where it is, as far as the bars reach.
    void ZoomTo(Zoom to, QPointF keep);
    void StepZoom(int steps);
    void ZoomByWheel(int angle, QPointF inViewport);
    void ZoomToFit();
    void ZoomFromList(const QString& entry);
    void ToggleGrid();
    void ShowAtFactor(Zoom to);
    void ShowOnDemand(Zoom to);
    void ShowFactorInList();
    // Back from drawing on demand to a surface of its own, shrunk first: the box may be far
    // larger than a surface can be.
    void LeaveDrawingOnDemand();
    QPointF viewportCentre() const;
    void DrawZoomedRulers();

    // --- Rulers (rulers.cpp, ruler_labels.cpp, ruler_placement.cpp) ---
    void DrawRulers();
    void cboUnit_Click();
    void DrawVerticalLabels(toolkit::PictureBox& strip, qint32 labelBaseY);
    void PlaceRulers();
    void ckbShowRulers_Click();

    // --- Pointer readout (readout.cpp) ---
    void picDisp_MouseMove(int button, int shift, float X, float Y);
    void HidePointerReadout();
    // A showing readout, brought up to date for where the pointer rests now, through
    // picDisp_MouseMove; hidden when the pointer is no longer over the picture. Runs after
    // the unit, the scroll position or the magnification has changed under a still pointer.
    void RefreshPointerReadout();
    void picDispBase_MouseMove(int button, int shift, float X, float Y);
    void picRulerW_MouseMove(int button, int shift, float X, float Y);
    void picRulerH_MouseMove(int button, int shift, float X, float Y);
    void Form_MouseMove(int button, int shift, float X, float Y);

    // --- Scrolling (scrolling.cpp) ---
    void SetupScrollBars();
    void vsrDisp_Change();
    void hsrDisp_Change();
    void vsrDisp_Scroll();
    void hsrDisp_Scroll();

    // --- A file cut short (loading.cpp); a resize dropped while busy (layout.cpp) ---
    // A red note in the top row beside Open, shown while the picture is only the part of a
    // file cut short that could be read.
    toolkit::Label* lblCutShort = nullptr;
    // The client size the last layout pass was made for.
    QSize laidOutSize;
    // Lays the window out again when its size is no longer the one laidOutSize records, as
    // after a resize that came while a handler held busy and was dropped.
    void CatchUpResize();

    // Runs a handler as an entry point from the event loop: an error that escapes it is
    // shown as "Run-time error 'N': text" and the program goes on with busy released.
    // What the handler changed is told to instruments once the outermost handler ends.
    template <class Handler> void runHandler(Handler&& handler)
    {
        const InstrumentHost::HandlerScope scope(host_);
        try {
            handler();
        } catch (const toolkit::RuntimeError& error) {
            reportRuntimeError(error);
        } catch (const std::bad_alloc&) {
            reportRuntimeError(
                toolkit::RuntimeError(toolkit::Err::OutOfMemory, QStringLiteral("Out of memory")));
        }
    }

    // Whether Form_Activate has run; it runs once, after the first layout.
    bool activated() const { return activated_; }

    // --- For instruments (accessors.cpp) ---
    // Takes an instrument for the window's lifetime; it is told in the order attached.
    Instrument* attach(std::unique_ptr<Instrument> instrument)
    {
        return host_.attach(std::move(instrument));
    }
    // The attached instrument of type T, or null: for main and the tests, not for another
    // instrument.
    template <class T> T* instrument() { return host_.instrument<T>(); }

    // Shows a picture written from the clipboard, through OpenPicture: its origin reads
    // From::Clipboard while it is shown.
    void OpenPastedPicture(const QString& path);
    // Shows the picture at another factor: 1 and 2 through the magnification list's
    // handler, the others keeping the viewport's centre.
    void SetFactor(Zoom factor);

    // --- The read-only view (accessors.cpp) ---
    QImage picture() const override;
    QSize imageSize() const override { return QSize(imageWidth, imageHeight); }
    From pictureFrom() const override;
    QString picturePath() const override { return picturePath_; }
    QString failedPath() const override { return failedPath_; }
    bool reopened() const override { return reopened_; }
    bool cutShort() const override;
    Zoom factor() const override { return zoom_; }
    const QWidget& viewport() const override { return *picDispBase; }
    QPoint pictureOrigin() const override;
    QPoint imagePixelAt(QPointF inViewport) const override;
    QRect rulerInViewport(Qt::Orientation ruler) const override;
    int unit() const override;
    units::PixelsPerInch pixelsPerInch() const override;
    std::optional<units::Basis> inchBasis() const override { return inchBasis_; }
    units::PixelsPerInch screenPixelsPerInch() const override;
    units::PixelsPerInch physicalPixelsPerInch() const override;
    std::optional<PointedPixel> pointedPixel() const override;
    QString readoutText() const override;

    // Another basis for inches, named after the size text's unit ("  (英寸, 文件 300 ppi)"),
    // or none for the screen's; every figure on show follows at once.
    void setInchBasis(std::optional<units::Basis> basis);

signals:
    // Each is emitted once per change, when the outermost handler that made it has ended.
    // Another picture, the same file again or a failed load: all else may have changed too.
    void pictureChanged();
    void magnificationChanged();
    // Scrolled, centred or placed anew after a resize: pictureOrigin() moved.
    void pictureMoved();
    // Another unit, or another number of pixels to the inch.
    void unitsChanged();
    // The readout shows another pixel, or the same pixel in another colour.
    void pointerOverPixel(QPoint pixel, QRgb colour);
    // The readout went away: the pointer left the picture, or the picture went.
    void pointerLeftPicture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void frameMayHaveChanged() override;

private:
    void createControls();
    void connectHandlers();
    void reportRuntimeError(const toolkit::RuntimeError& error);
    // Loading from step 4 on, with its recovery (loading.cpp).
    void LoadChosenFile(const QString& path);
    void RecoverFromFailedLoad();

    // Layout against the window frame (layout.cpp). Under a window manager the frame is only
    // known once the window has been mapped, after the first layout pass.
    void adviseMinimumSize();
    void fitToFrame();

    // Scrolling from the wheel and the keyboard (scrolling.cpp): they set the bars' Value
    // and leave the rest to the bars' Change handlers.
    bool scrollByWheel(const QWheelEvent& event);
    bool scrollByKey(const QKeyEvent& event);
    // The file a drop would open, or "" when the drop is not exactly one file (loading.cpp).
    static QString droppedFile(const QMimeData* data);

    // The host reaches the window's own state and error message; an instrument, its host.
    friend class InstrumentHost;
    friend class Instrument;

    bool activated_ = false;
    // The last time the layout sprang the window back to its minimum: the client size asked
    // for, the one given, and the frame it reckoned with then.
    struct SpringBack {
        QSize asked;
        QSize given;
        QSize frame;
    };
    std::optional<SpringBack> springBack_;
    // The frame the minimum last told to the window manager reckoned with.
    QSize advisedFrame_;

    // Counts loads, failed ones included, so that loading the same file again is a change.
    quint64 loads_ = 0;
    std::optional<units::Basis> inchBasis_;
    QString picturePath_;
    QString failedPath_;
    QString pastedPath_; // the last picture shown from the clipboard, as written for loading
    bool reopened_ = false;
    // Zoom: a step under way (the wheel's next notch waits), the wheel's part notches, the
    // factor each picture file was left at, and the mean colours of squares per factor.
    bool zooming_ = false;
    int wheelZoomAngle_ = 0;
    QHash<QString, Zoom> zoomOfPicture_;
    QHash<int, QImage> meansOf_;
    void paintZoomed(QPainter& painter, const QRect& exposed) const;
    // The colour of the image pixel under a point of the zoomed picture; CLR_INVALID off it.
    toolkit::ColorRef zoomedColourAt(float X, float Y) const;
    // The pixel and colour the readout last showed; its label's visibility says whether the
    // readout is shown.
    PointedPixel pointed_;
    // Last, so its instruments go first, while every control they may touch still stands.
    InstrumentHost host_{*this};
};
