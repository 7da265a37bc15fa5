#pragma once

#include "instruments/measurement_store.h"
#include "toolkit/picture_box.h"
#include "toolkit/screen.h"
#include "viewer/main_window.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>

class ScriptedOpenFileBackend;

// Defined in the AddressSanitizer build, where memory figures mean something else (shadow
// memory, quarantine) and the address space cannot be limited.
#if defined(__SANITIZE_ADDRESS__)
#define QUARNET_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARNET_ASAN 1
#endif
#endif

namespace testing
{

// The two messages the viewer shows in a box, exactly as it shows them.
extern const QString kLoadError;
extern const QString kMagnifyFailed;

// Records every message box instead of showing it, for as long as it lives.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    const QStringList& texts() const { return texts_; }

private:
    QStringList texts_;
};

// Collects what is written to standard error, for as long as it lives.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // Everything written so far.
    QString text() const;

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

// A real window on the offscreen platform at a chosen screen resolution, with the program's
// instruments attached, shown and laid out, with the open-file dialog scripted and message
// boxes recorded.
class Window
{
public:
    explicit Window(toolkit::Dpi dpi = {96, 96});
    // Each window starts as on a first run, with no settings and no work kept with any
    // picture; Work::Kept keeps what earlier windows left, as a program started again would.
    enum class Work { Fresh, Kept };
    explicit Window(Work work);
    // The same, with window flags added before the window is shown. Qt::FramelessWindowHint
    // gives a window without a frame, as on a screen without a window manager.
    Window(toolkit::Dpi dpi, Qt::WindowFlags extraFlags, Work work = Work::Fresh);
    ~Window();

    frmVelmora* operator->() const { return window_.get(); }
    frmVelmora& operator*() const { return *window_; }
    const QStringList& messages() const { return messages_.texts(); }
    ScriptedOpenFileBackend& dialog() const { return *dialog_; }
    // The measurements the instruments share.
    MeasurementStore& measurements() const { return *measurements_; }

    // Presses Open with the dialog answering path, as a person choosing that file would.
    void open(const QString& path);
    // Presses Open and cancels the dialog.
    void openAndCancel();

private:
    MessageRecorder messages_;
    ScriptedOpenFileBackend* dialog_;
    std::unique_ptr<frmVelmora> window_;
    MeasurementStore* measurements_ = nullptr;
};

// Writes image to dir under name in the format its suffix names; returns the full path.
QString writeImage(const QTemporaryDir& dir, const QString& name, const QImage& image);
// A smooth opaque gradient (red across, green down, blue 128): survives JPEG well enough
// for size comparisons, and no two columns or rows of it are alike.
QImage gradientImage(int width, int height);
// Writes gradientImage(size) to dir as a BMP named after its size; returns the full path.
QString gradientFile(const QTemporaryDir& dir, QSize size);
// Moves the pointer over a control with no button held, through the window system.
void pointAt(QWidget* control, QPoint at);
// A file from the shared corpus of real images; empty if the corpus is not there.
QString corpusFile(const QString& relativePath);
// Whether the shared corpus is beside the project, and whether its absence is a fault: in
// CI (CI set and not "false") it must be there.
bool corpusPresent();
bool corpusRequired();
// Skips the calling test where the corpus is missing; fails it instead where it is required.
#define QUARNET_REQUIRE_CORPUS()                                                                   \
    do {                                                                                           \
        if (!testing::corpusPresent()) {                                                           \
            if (testing::corpusRequired())                                                         \
                QFAIL("the shared image corpus is missing: ../shared/corpus beside the project");  \
            QSKIP("the shared image corpus is not beside the project");                            \
        }                                                                                          \
    } while (false)
// A file from tests/data.
QString dataFile(const QString& name);

// Describes the first pixel where two images differ, or returns "" when they are equal.
QString firstDifference(const QImage& actual, const QImage& expected);

// The number of the run-time error f raises, or 0 when it raises none.
int errorOf(const std::function<void()>& f);

// The colour of a picture box's surface at (x, y), as 0x00BBGGRR.
toolkit::ColorRef pixelAt(const toolkit::PictureBox& box, int x, int y);

// A figure in kB from this process's /proc/self/status, such as "VmHWM:"; -1 if absent.
qint64 statusKb(const char* field);

} // namespace testing
