#include "viewer/main_window.h"

#include "filedlg/file_dlg.h"
#include "toolkit/gdi.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/measure_tool.h"
#include "viewer/numbers.h"
#include "viewer/window_icon.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define QUARNET_WATCH_XCB 1
#endif

using namespace toolkit;

namespace
{

// The window's caption: its name and where to find it.
const QString kCaption = QStringLiteral("Quarnet https://quarnet.example.org");

// How far one notch of the wheel scrolls, per line the desktop sets (3 by default): a line
// is 20 pixels, as in Qt's own scroll areas.
constexpr int kWheelLinePixels = 20;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

// The design client area in twips: 600 x 440 pixels at 96 ppi.
constexpr float kDesignClientWidthTwips = 9000;
constexpr float kDesignClientHeightTwips = 6600;

constexpr ColorRef kFormGrey = RGB(192, 192, 192);
constexpr ColorRef kListGrey = RGB(224, 224, 224);
constexpr ColorRef kWhite = RGB(255, 255, 255);
constexpr ColorRef kBlack = RGB(0, 0, 0);
constexpr ColorRef kRed = RGB(255, 0, 0);
constexpr ColorRef kRulerCyan = RGB(128, 255, 255);

// A design rectangle in twips, relative to the control's container.
struct Twips {
    float left, top, width, height;
};

// Places a control at its design rectangle, converted at the screen's DPI.
template <class Control> Control* placed(Control* control, Twips design)
{
    const double tx = Screen::twipsPerPixelX(), ty = Screen::twipsPerPixelY();
    control->Move(float(design.left / tx), float(design.top / ty), float(design.width / tx),
                  float(design.height / ty));
    return control;
}

QFont fontInPoints(const QString& family, double points)
{
    QFont font(family);
    font.setPixelSize(Screen::pointsToPixels(points));
    font.setWeight(QFont::Normal);
    return font;
}

// The design fonts of the ruler boxes: Arial 6.75 pt.
void useRulerFont(PictureBox* box)
{
    box->setFontName(QStringLiteral("Arial"));
    box->setFontSize(6.75);
    box->setFontBold(false);
}

// The desktop's window background and text colours, for the boxes that take no colours of
// their own: a dark theme shows its own colour beside the rulers, not a white seam.
void useSystemWindowColours(PictureBox* box)
{
    const QPalette palette = QGuiApplication::palette();
    box->setBackColor(toolkit::fromQRgb(palette.color(QPalette::Base).rgb()));
    box->setForeColor(toolkit::fromQRgb(palette.color(QPalette::Text).rgb()));
}

} // namespace

// Watches the X server's events for the ones that can give the window a new frame: the
// window manager reparenting it into its frame, configuring it, or setting one of its
// properties (_NET_FRAME_EXTENTS among them). Qt takes note of the frame but tells the
// window nothing, so the window asks again once Qt has handled such an event.
class frmVelmora::FrameWatcher : public QAbstractNativeEventFilter
{
public:
    explicit FrameWatcher(frmVelmora& form) : form_(form)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override
    {
#ifdef QUARNET_WATCH_XCB
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        xcb_window_t window = XCB_WINDOW_NONE;
        switch (event->response_type & 0x7f) {
        case XCB_REPARENT_NOTIFY:
            window = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
            break;
        case XCB_CONFIGURE_NOTIFY:
            window = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
            break;
        case XCB_PROPERTY_NOTIFY:
            window = reinterpret_cast<const xcb_property_notify_event_t*>(event)->window;
            break;
        default:
            return false;
        }
        if (window == form_.internalWinId() && !queued_) {
            queued_ = true;
            QMetaObject::invokeMethod(
                &form_,
                [this] {
                    queued_ = false;
                    form_.runHandler([this] { form_.frameMayHaveChanged(); });
                },
                Qt::QueuedConnection);
        }
#else
        Q_UNUSED(eventType);
        Q_UNUSED(message);
#endif
        return false;
    }

private:
    frmVelmora& form_;
    bool queued_ = false;
};

frmVelmora::frmVelmora(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(kCaption);
    setWindowIcon(makeWindowIcon());
    // The system's default interface font, at the classic 9 pt.
    QFont uiFont = font();
    uiFont.setPixelSize(Screen::pointsToPixels(9));
    setFont(uiFont);
    setColors(*this, kFormGrey);
    setMouseTracking(true);
    setAcceptDrops(true);

    createControls();
    connectHandlers();

    const double tx = Screen::twipsPerPixelX(), ty = Screen::twipsPerPixelY();
    resize(int(std::lround(kDesignClientWidthTwips / tx)),
           int(std::lround(kDesignClientHeightTwips / ty)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }

    Form_Initialize();
    Form_Load();
    new MeasureTool(this);
}

frmVelmora::~frmVelmora()
{
    // The measuring tool watches the picture boxes; it must go while the window is still
    // whole, not hear their events as QWidget deletes them after this body has run.
    delete findChild<MeasureTool*>(QString(), Qt::FindDirectChildrenOnly);
}

void frmVelmora::createControls()
{
    cmdOpen = placed(new CommandButton(this), {390, 120, 1035, 375});
    cmdOpen->setText(QStringLiteral("打开"));
    setColors(*cmdOpen, kFormGrey);

    ckbShowRulers = placed(new CheckBox(this), {2790, 240, 1305, 195});
    ckbShowRulers->setText(QStringLiteral("显示标尺"));
    ckbShowRulers->setValue(1);
    setColors(*ckbShowRulers, kFormGrey);

    lblUnit = placed(new Label(this), {4320, 240, 645, 285});
    lblUnit->setCaption(QStringLiteral("单位："));
    setColors(*lblUnit, kFormGrey);

    cboUnit = placed(new ComboBox(this), {4890, 180, 915, 300});
    cboUnit->setToolTip(QStringLiteral("x 100 percent"));
    setColors(*cboUnit, kListGrey);

    lblMagnification = placed(new Label(this), {6330, 240, 1035, 285});
    lblMagnification->setCaption(QStringLiteral("缩放倍率："));
    setColors(*lblMagnification, kFormGrey);

    cboMagnify = placed(new ComboBox(this), {7380, 180, 615, 315});
    cboMagnify->setToolTip(QStringLiteral("x 100 percent"));
    cboMagnify->setFont(fontInPoints(QStringLiteral("Tahoma"), 8.25));
    setColors(*cboMagnify, kListGrey);

    picOrig = placed(new PictureBox(this), {7050, 420, 705, 645});
    picOrig->setBackColor(kWhite);
    picOrig->setAutoSize(true);
    picOrig->setVisible(false);

    picTemp1 = placed(new PictureBox(this), {7800, 660, 375, 375});
    useSystemWindowColours(picTemp1);
    picTemp1->setVisible(false);

    picTemp2 = placed(new PictureBox(this), {7770, 450, 375, 375});
    useSystemWindowColours(picTemp2);
    picTemp2->setVisible(false);

    picRulerBaseW = placed(new PictureBox(this), {330, 570, 6000, 255});
    useSystemWindowColours(picRulerBaseW);
    useRulerFont(picRulerBaseW);
    picRulerW = placed(new PictureBox(picRulerBaseW), {0, 0, 6000, 255});
    picRulerW->setBackColor(kRulerCyan);
    useRulerFont(picRulerW);
    shpMarkerW = placed(new Shape(picRulerW), {150, 90, 15, 180});
    shpMarkerW->setFillColor(kRed);

    picRulerBaseH = placed(new PictureBox(this), {60, 720, 255, 4500});
    useSystemWindowColours(picRulerBaseH);
    useRulerFont(picRulerBaseH);
    picRulerH = placed(new PictureBox(picRulerBaseH), {0, 0, 255, 4500});
    picRulerH->setBackColor(kRulerCyan);
    useRulerFont(picRulerH);
    shpMarkerH = placed(new Shape(picRulerH), {90, 120, 180, 30});
    shpMarkerH->setFillColor(kRed);

    hsrDisp = placed(new ScrollBar(Qt::Horizontal, this), {450, 5940, 8085, 255});
    vsrDisp = placed(new ScrollBar(Qt::Vertical, this), {8550, 1080, 255, 4845});

    picDispBase = placed(new PictureBox(this), {450, 1080, 8055, 4815});
    picDispBase->setBackColor(kFormGrey);
    picDisp = placed(new PictureBox(picDispBase), {0, 0, 4095, 3285});
    picDisp->setBackColor(kWhite);
    // A click on the picture or its margin gives the picture the keyboard, for the arrows
    // and Page Up/Down.
    picDisp->setFocusPolicy(Qt::StrongFocus);
    picDispBase->setFocusPolicy(Qt::ClickFocus);
    picDispBase->setFocusProxy(picDisp);

    lblXY = placed(new Label(this), {3990, 6300, 4515, 255});
    lblXY->setFont(fontInPoints(QStringLiteral("Arial"), 9));
    setColors(*lblXY, kFormGrey, kRed);

    lblImageSize = placed(new Label(this), {450, 6300, 3465, 255});
    lblImageSize->setFont(fontInPoints(QStringLiteral("Arial"), 9));
    setColors(*lblImageSize, kFormGrey, kBlack);
}

void frmVelmora::connectHandlers()
{
    // Every entry from the event loop goes through runHandler, so no error ends the program.
    auto handle = [this](auto method) {
        return [this, method] { runHandler([&] { (this->*method)(); }); };
    };
    auto handleMove = [this](auto method) {
        return [this, method](int button, int shift, float x, float y) {
            runHandler([&] { (this->*method)(button, shift, x, y); });
        };
    };
    connect(cmdOpen, &CommandButton::Click, this, handle(&frmVelmora::cmdOpen_Click));
    connect(ckbShowRulers, &CheckBox::Click, this, handle(&frmVelmora::ckbShowRulers_Click));
    connect(cboUnit, &ComboBox::Click, this, handle(&frmVelmora::cboUnit_Click));
    connect(cboMagnify, &ComboBox::Click, this, handle(&frmVelmora::cboMagnify_Click));
    connect(hsrDisp, &ScrollBar::Change, this, handle(&frmVelmora::hsrDisp_Change));
    connect(hsrDisp, &ScrollBar::Scroll, this, handle(&frmVelmora::hsrDisp_Scroll));
    connect(vsrDisp, &ScrollBar::Change, this, handle(&frmVelmora::vsrDisp_Change));
    connect(vsrDisp, &ScrollBar::Scroll, this, handle(&frmVelmora::vsrDisp_Scroll));
    connect(picDisp, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picDisp_MouseMove));
    connect(picDispBase, &PictureBox::MouseMove, this,
            handleMove(&frmVelmora::picDispBase_MouseMove));
    connect(picRulerW, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picRulerW_MouseMove));
    connect(picRulerH, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picRulerH_MouseMove));

    // The picture can move under a pointer at rest. Connected after the handlers above, so
    // the readout is brought up to date once they have moved or magnified the picture. The
    // unit list refreshes from its own handler.
    for (ScrollBar* bar : {hsrDisp, vsrDisp}) {
        connect(bar, &ScrollBar::Change, this, handle(&frmVelmora::RefreshPointerReadout));
        connect(bar, &ScrollBar::Scroll, this, handle(&frmVelmora::RefreshPointerReadout));
    }
    connect(cboMagnify, &ComboBox::Click, this, handle(&frmVelmora::RefreshPointerReadout));

    // The wheel over the picture and the keys while it has focus scroll it.
    picDisp->installEventFilter(this);
    picDispBase->installEventFilter(this);

    // Ctrl+O presses Open, as the button would be pressed.
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, [this] {
        if (!busy && cmdOpen->isEnabled())
            cmdOpen->click();
    });
}

float frmVelmora::Width() const
{
    return float((width() + frameSize().width()) * Screen::twipsPerPixelX());
}

float frmVelmora::Height() const
{
    return float((height() + frameSize().height()) * Screen::twipsPerPixelY());
}

void frmVelmora::setWidth(float twips)
{
    resize(Screen::pixelsCoveringX(twips) - frameSize().width(), height());
}

void frmVelmora::setHeight(float twips)
{
    resize(width(), Screen::pixelsCoveringY(twips) - frameSize().height());
}

void frmVelmora::Form_Initialize()
{
    InitCommonControls();
}

void frmVelmora::Form_Load()
{
    busy = -1;
    // The window and its picture boxes already measure in pixels.
    cboMagnify->Clear();
    for (int factor = 1; factor <= 2; ++factor)
        cboMagnify->AddItem(QString::number(factor));
    cboMagnify->setListIndex(0);

    cboUnit->Clear();
    cboUnit->AddItem(QStringLiteral("像素"));
    cboUnit->AddItem(QStringLiteral("英寸"));
    cboUnit->AddItem(QStringLiteral("厘米"));
    cboUnit->setListIndex(0);

    picRulerBaseW->ZOrder();
    picRulerBaseH->ZOrder();

    baseLeft = numbers::CLng(picDispBase->Left());
    baseTop = numbers::CLng(picDispBase->Top());
    magnification = 1;
    ReadScreenDpi(dpiX, dpiY);
    busy = 0;
}

void frmVelmora::ReadScreenDpi(qint32& x, qint32& y)
{
    HDC screen = GetDC(nullptr);
    x = GetDeviceCaps(screen, LOGPIXELSX);
    y = GetDeviceCaps(screen, LOGPIXELSY);
}

void frmVelmora::Form_Activate()
{
    SetupScrollBars();
    ckbShowRulers_Click();
}

void frmVelmora::Form_Unload(int& cancel)
{
    cancel = 0;
    fileDlg.reset();
    // The window itself is owned by main(), which ends when the event loop does.
    DoEvents();
}

void frmVelmora::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    runHandler([this] { Form_Resize(); });
}

void frmVelmora::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window manager's frame shows up once the window is mapped: its first exposure is
    // the first moment it can be known.
    if (QWindow* handle = windowHandle())
        handle->installEventFilter(this);
    if (!frameWatcher_)
        frameWatcher_ = std::make_unique<FrameWatcher>(*this);
    // Activation runs once, right after the first layout. Later activations (after the
    // file dialog or a message box closes) are the window system's, not ours.
    if (activated_ || event->spontaneous())
        return;
    activated_ = true;
    runHandler([this] { Form_Activate(); });
}

bool frmVelmora::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle()) {
        if (event->type() == QEvent::Expose)
            runHandler([this] { frameMayHaveChanged(); });
        return false;
    }
    if (watched == picDisp || watched == picDispBase) {
        bool used = false;
        if (event->type() == QEvent::Wheel)
            runHandler([&] { used = scrollByWheel(*static_cast<QWheelEvent*>(event)); });
        else if (event->type() == QEvent::KeyPress)
            runHandler([&] { used = scrollByKey(*static_cast<QKeyEvent*>(event)); });
        return used;
    }
    return QWidget::eventFilter(watched, event);
}

void frmVelmora::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A window manager may also tell the frame late, around activation.
    if (event->type() == QEvent::ActivationChange)
        runHandler([this] { frameMayHaveChanged(); });
    // Minimising and restoring raise Resize too, even when the client size stays the same.
    if (event->type() == QEvent::WindowStateChange)
        runHandler([this] { Form_Resize(); });
}

namespace
{

// Sets a bar's Value moved by delta, kept within its range; the bar's Change handler moves
// the picture and redraws the rulers, only when the value really changes.
void scrollBarBy(ScrollBar& bar, int delta)
{
    const int value = std::clamp(bar.Value() + delta, bar.minimum(), bar.maximum());
    if (value != bar.Value())
        bar.setValue(value);
}

} // namespace

bool frmVelmora::scrollByWheel(const QWheelEvent& event)
{
    if (busy)
        return true;
    // Pixel deltas come from touchpads that know them; a wheel gives angles.
    QPoint pixels = event.pixelDelta();
    if (pixels.isNull())
        pixels =
            event.angleDelta() * QApplication::wheelScrollLines() * kWheelLinePixels / kWheelNotch;
    // Shift turns the ordinary wheel sideways, as elsewhere on the desktop.
    if (event.modifiers() & Qt::ShiftModifier && pixels.x() == 0)
        pixels = QPoint(pixels.y(), 0);
    // Turning the wheel away (positive) shows what lies above or to the left.
    scrollBarBy(*hsrDisp, -pixels.x());
    scrollBarBy(*vsrDisp, -pixels.y());
    return true;
}

bool frmVelmora::scrollByKey(const QKeyEvent& event)
{
    if (event.modifiers() & ~Qt::KeypadModifier)
        return false; // Ctrl+O and the like are not scrolling
    // Arrows step as the bars' own arrows do; a page is what the viewport shows.
    const int page = std::max(1, int(picDispBase->ScaleHeight()));
    std::pair<ScrollBar*, int> step;
    switch (event.key()) {
    case Qt::Key_Left:
        step = {hsrDisp, -hsrDisp->SmallChange()};
        break;
    case Qt::Key_Right:
        step = {hsrDisp, hsrDisp->SmallChange()};
        break;
    case Qt::Key_Up:
        step = {vsrDisp, -vsrDisp->SmallChange()};
        break;
    case Qt::Key_Down:
        step = {vsrDisp, vsrDisp->SmallChange()};
        break;
    case Qt::Key_PageUp:
        step = {vsrDisp, -page};
        break;
    case Qt::Key_PageDown:
        step = {vsrDisp, page};
        break;
    default:
        return false;
    }
    // A scrolling key is taken even while busy, so it does nothing else meanwhile.
    if (!busy)
        scrollBarBy(*step.first, step.second);
    return true;
}

QString frmVelmora::droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return QString();
    return path;
}

void frmVelmora::dragEnterEvent(QDragEnterEvent* event)
{
    if (!busy && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmVelmora::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (busy || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    runHandler([&] { OpenPicture(path); });
}

void frmVelmora::closeEvent(QCloseEvent* event)
{
    int cancel = 0;
    runHandler([&] { Form_Unload(cancel); });
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmVelmora::mouseMoveEvent(QMouseEvent* event)
{
    // Only the window's own background counts; moves that other controls pass up do not.
    const QPointF at = event->position();
    if (childAt(at.toPoint())) {
        event->ignore();
        return;
    }
    const int button = mouseButtonState(event->buttons());
    const int shift = mouseShiftState(event->modifiers());
    runHandler([&] { Form_MouseMove(button, shift, float(at.x()), float(at.y())); });
}

void frmVelmora::reportRuntimeError(const RuntimeError& error)
{
    busy = 0;
    setMousePointer(vbDefault);
    MsgBox(this, error.message());
}
