#pragma once

#include "toolkit/controls.h"
#include "toolkit/picture_box.h"
#include "toolkit/runtime_error.h"

#include <QSize>
#include <QWidget>
#include <memory>
#include <optional>

class clsFileDlg;
class QKeyEvent;
class QMimeData;
class QWheelEvent;

// The one window of the program: its 21 controls, the state every handler shares, and the
// handlers and procedures that make up the viewer. Each group of procedures lives in its
// own source file, named after what it does (layout.cpp, loading.cpp, rulers.cpp, ...).
class frmVelmora : public QWidget
{
    Q_OBJECT
public:
    // Creates the controls at their design places for the screen's DPI, then runs
    // Form_Initialize and Form_Load. Showing the window runs Form_Resize, then Form_Activate.
    explicit frmVelmora(QWidget* parent = nullptr);
    ~frmVelmora() override;

    // The window's outer size in twips, frame included where the window system draws one.
    float Width() const;
    float Height() const;
    void setWidth(float twips);
    void setHeight(float twips);
    // The client area in pixels.
    float ScaleWidth() const { return float(width()); }
    float ScaleHeight() const { return float(height()); }

    // Opens a file through the same path as the Open button after the dialog: the file
    // named on the command line and a file dropped on the window come in here.
    void OpenPicture(const QString& path);

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

    // Runs a handler as an entry point from the event loop: an error that escapes it is
    // shown as "Run-time error 'N': text" and the program goes on with busy released.
    template <class Handler> void runHandler(Handler&& handler)
    {
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void reportRuntimeError(const toolkit::RuntimeError& error);
    // Loading from step 4 on, with its recovery (loading.cpp).
    void LoadChosenFile(const QString& path);
    void RecoverFromFailedLoad();

    // Layout against the window frame (layout.cpp). Under a window manager the frame is only
    // known once the window has been mapped, after the first layout pass.
    QSize frameSize() const;
    void adviseMinimumSize();
    void frameMayHaveChanged();

    // Scrolling from the wheel and the keyboard (main_window.cpp): they set the bars' Value
    // and leave the rest to the bars' Change handlers.
    bool scrollByWheel(const QWheelEvent& event);
    bool scrollByKey(const QKeyEvent& event);
    // The file a drop would open, or "" when the drop is not exactly one file.
    static QString droppedFile(const QMimeData* data);

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
    class FrameWatcher;
    std::unique_ptr<FrameWatcher> frameWatcher_;
};
