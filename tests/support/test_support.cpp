#include "support/test_support.h"

#include "filedlg/file_dlg.h"
#include "instruments/instruments.h"
#include "instruments/kept_work.h"
#include "toolkit/runtime_error.h"
#include "toolkit/services.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

namespace testing
{

const QString kLoadError =
    QStringLiteral("Error occurred on loading picture.  Probably incoming image is of\r\n"
                   "a size greater than PictureBox can handle.");
const QString kMagnifyFailed =
    QStringLiteral("Failed to magnify.  Probably magnifying resulted in an image size greater than"
                   "\r\nthe capability of PictureBox.  Please reduce magnification factor.");

MessageRecorder::MessageRecorder()
{
    toolkit::setMessageBoxHook([this](const QString& text) { texts_.append(text); });
}

MessageRecorder::~MessageRecorder()
{
    toolkit::setMessageBoxHook({});
}

StderrCapture::StderrCapture() : file_(std::tmpfile())
{
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    if (file_)
        ::dup2(::fileno(file_), STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    if (saved_ >= 0) {
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    if (file_)
        std::fclose(file_);
}

QString StderrCapture::text() const
{
    std::fflush(stderr);
    if (!file_)
        return QString();
    QFile read;
    if (!read.open(::fileno(file_), QIODevice::ReadOnly) || !read.seek(0))
        return QString();
    return QString::fromLocal8Bit(read.readAll());
}

Window::Window(toolkit::Dpi dpi) : Window(dpi, Qt::WindowFlags()) {}

Window::Window(Work work) : Window({96, 96}, Qt::WindowFlags(), work) {}

Window::Window(toolkit::Dpi dpi, Qt::WindowFlags extraFlags, Work work)
    : dialog_(&ScriptedOpenFileBackend::install())
{
    QApplication::setApplicationName(QStringLiteral("Quarnet"));
    // Settings in a scratch place, and none a person chose: no loupe left open by a test.
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    if (work == Work::Fresh)
        QDir(KeptWork::defaultFolder()).removeRecursively();
    toolkit::Screen::setDpiOverride(dpi);
    window_ = std::make_unique<frmVelmora>();
    measurements_ = &attachInstruments(*window_);
    if (extraFlags)
        window_->setWindowFlags(window_->windowFlags() | extraFlags);
    window_->show();
    QCoreApplication::processEvents();
}

Window::~Window()
{
    window_.reset();
    clsFileDlg::setBackend(nullptr);
    toolkit::Screen::setDpiOverride(std::nullopt);
}

void Window::open(const QString& path)
{
    dialog_->answer(path);
    QTest::mouseClick(window_->cmdOpen, Qt::LeftButton);
}

void Window::openAndCancel()
{
    dialog_->cancel();
    QTest::mouseClick(window_->cmdOpen, Qt::LeftButton);
}

QString writeImage(const QTemporaryDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    if (!image.save(path))
        qWarning("could not write %s", qPrintable(path));
    return path;
}

QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y,
                qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), 128));
    return image;
}

QString gradientFile(const QTemporaryDir& dir, QSize size)
{
    return writeImage(dir, QStringLiteral("%1x%2.bmp").arg(size.width()).arg(size.height()),
                      gradientImage(size.width(), size.height()));
}

void pointAt(QWidget* control, QPoint at)
{
    // QTest takes (0, 0) as a widget's centre, so the point is passed relative to the
    // window; the platform drops a move to where the pointer already is, so step aside first.
    QWidget* window = control->window();
    const QPoint inWindow = control->mapTo(window, at);
    if (QCursor::pos() == window->mapToGlobal(inWindow))
        QTest::mouseMove(window, inWindow + QPoint(1, 1));
    QTest::mouseMove(window, inWindow);
}

QString corpusFile(const QString& relativePath)
{
    const QString path = QDir(QStringLiteral(QUARNET_CORPUS)).filePath(relativePath);
    return QFileInfo::exists(path) ? path : QString();
}

bool corpusPresent()
{
    return !corpusFile(QStringLiteral("MANIFEST.tsv")).isEmpty();
}

bool corpusRequired()
{
    const QString ci = qEnvironmentVariable("CI").toLower();
    return !ci.isEmpty() && ci != QLatin1String("false") && ci != QLatin1String("0");
}

QString dataFile(const QString& name)
{
    return QDir(QStringLiteral(QUARNET_TEST_DATA)).filePath(name);
}

QString firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & 0xFFFFFF, e = expected.pixel(x, y) & 0xFFFFFF;
            if (a != e)
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(a, 6, 16, QLatin1Char('0'))
                    .arg(e, 6, 16, QLatin1Char('0'));
        }
    return QString();
}

toolkit::ColorRef pixelAt(const toolkit::PictureBox& box, int x, int y)
{
    return toolkit::fromQRgb(box.surface().pixel(x, y));
}

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const toolkit::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace testing
