#include "viewer/main_window.h"

#include "filedlg/file_dlg.h"
#include "toolkit/gdi.h"
#include "toolkit/screen.h"
#include "toolkit/services.h"
#include "viewer/numbers.h"
#include "viewer/window_icon.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <cmath>

using namespace toolkit;

namespace
{

// The window's caption: its name and where to find it.
const QString kCaption = QStringLiteral("Quarnet https://quarnet.example.org");

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

frmVelmora::frmVelmora(QWidget* parent) : Form(parent)
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
    ConnectZoomKeys();

    const double tx = Screen::twipsPerPixelX(), ty = Screen::twipsPerPixelY();
    resize(int(std::lround(kDesignClientWidthTwips / tx)),
           int(std::lround(kDesignClientHeightTwips / ty)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }

    Form_Initialize();
    Form_Load();
    host_.rememberSeen();
}

frmVelmora::~frmVelmora() = default;

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

    // In the free stretch of the top row right of Open, where the eye goes after opening a
    // file; short enough to fit there at any resolution, with the whole sentence as its tip.
    lblCutShort = placed(new Label(this), {1515, 240, 1215, 285});
    lblCutShort->setCaption(tr("文件不完整"));
    lblCutShort->setToolTip(tr("文件不完整，只显示了能读出的部分"));
    setColors(*lblCutShort, kFormGrey, kRed);
    lblCutShort->setVisible(false);
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
    // The picture can move under a pointer at rest: once these handlers have moved or
    // magnified it, the readout is brought up to date, in the same step, so instruments hear
    // of both together. The unit list refreshes from its own handler.
    auto handleThenRefresh = [this](auto method) {
        return [this, method] {
            const InstrumentHost::HandlerScope oneStep(host_);
            runHandler([&] { (this->*method)(); });
            runHandler([this] { RefreshPointerReadout(); });
        };
    };
    connect(cmdOpen, &CommandButton::Click, this, handle(&frmVelmora::cmdOpen_Click));
    connect(ckbShowRulers, &CheckBox::Click, this, handle(&frmVelmora::ckbShowRulers_Click));
    connect(cboUnit, &ComboBox::Click, this, handle(&frmVelmora::cboUnit_Click));
    connect(cboMagnify, &ComboBox::Click, this, handleThenRefresh(&frmVelmora::cboMagnify_Click));
    connect(hsrDisp, &ScrollBar::Change, this, handleThenRefresh(&frmVelmora::hsrDisp_Change));
    connect(hsrDisp, &ScrollBar::Scroll, this, handleThenRefresh(&frmVelmora::hsrDisp_Scroll));
    connect(vsrDisp, &ScrollBar::Change, this, handleThenRefresh(&frmVelmora::vsrDisp_Change));
    connect(vsrDisp, &ScrollBar::Scroll, this, handleThenRefresh(&frmVelmora::vsrDisp_Scroll));
    connect(picDisp, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picDisp_MouseMove));
    connect(picDispBase, &PictureBox::MouseMove, this,
            handleMove(&frmVelmora::picDispBase_MouseMove));
    connect(picRulerW, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picRulerW_MouseMove));
    connect(picRulerH, &PictureBox::MouseMove, this, handleMove(&frmVelmora::picRulerH_MouseMove));

    // The wheel over the picture and the keys while it has focus scroll it; the rulers'
    // mouse goes to the instruments, for guides pulled out of them.
    picDisp->installEventFilter(this);
    picDispBase->installEventFilter(this);
    for (QWidget* ruler : {picRulerBaseW, picRulerW, picRulerBaseH, picRulerH})
        ruler->installEventFilter(this);

    // Ctrl+O presses Open, as the button would be pressed.
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, [this] {
        if (!busy && cmdOpen->isEnabled())
            cmdOpen->click();
    });
}

void frmVelmora::Form_Initialize()
{
    InitCommonControls();
}

void frmVelmora::Form_Load()
{
    const QScopedValueRollback<qint16> loading(busy, qint16(-1));
    // The window and its picture boxes already measure in pixels.
    cboMagnify->Clear();
    for (int factor = 1; factor <= 2; ++factor)
        cboMagnify->AddItem(QString::number(factor));
    AddZoomEntries();
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
    Form::showEvent(event);
    // Activation runs once, right after the first layout. Later activations (after the
    // file dialog or a message box closes) are the window system's, not ours.
    if (activated_ || event->spontaneous())
        return;
    activated_ = true;
    runHandler([this] { Form_Activate(); });
}

bool frmVelmora::eventFilter(QObject* watched, QEvent* event)
{
    // Instruments hear the picture's mouse and keys first. Only the picture's context menu,
    // and a paint of their overlays half way through an update, are taken.
    if (host_.tellInstruments(watched, event))
        return true;
    if (watched == picDisp || watched == picDispBase) {
        bool used = false;
        if (event->type() == QEvent::Wheel)
            runHandler([&] { used = scrollByWheel(*static_cast<QWheelEvent*>(event)); });
        else if (event->type() == QEvent::KeyPress)
            runHandler([&] { used = scrollByKey(*static_cast<QKeyEvent*>(event)); });
        return used;
    }
    return Form::eventFilter(watched, event);
}

void frmVelmora::changeEvent(QEvent* event)
{
    Form::changeEvent(event);
    // Minimising and restoring raise Resize too, even when the client size stays the same.
    if (event->type() == QEvent::WindowStateChange)
        runHandler([this] { Form_Resize(); });
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
