#pragma once

#include "viewer/instrument.h"

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

class Comparison;
class ComparisonWindow;
class MeasurementStore;

// Comparing the picture with another: 对比图像… in the picture's menu, Ctrl+Shift+V (the
// clipboard's picture) or --compare=FILE lay it over the picture, read through the same
// loading path as any picture, and show the tool window 对比. D switches between the
// overlay and the difference, B shows the comparison alone and back (held, until let go), the
// digits set the overlay's opacity (1 = 10 %, 0 = 100 %), Alt + arrows move it an image pixel (with
// Shift ten). Esc in the tool window, or its close button, ends it. A file compared with is read
// again when it changes on disk and when the picture is reloaded.
class ComparisonTool : public Instrument
{
    Q_OBJECT
public:
    ComparisonTool(frmVelmora& window, Comparison& comparison, MeasurementStore& measurements);
    ~ComparisonTool() override;

    // Lays the picture in `path` over the one shown; on failure the tool window says why and
    // nothing else changes.
    void compareWith(const QString& path);
    // The same with the clipboard's picture; false, with a note, when it holds none.
    bool compareWithClipboard();
    void end();
    // Moves the comparison to the offset at which the fewest pixels differ, nearby.
    void align();
    // Keeps the bounding box of the differing pixels, and each cluster, as box measurements;
    // how many were kept.
    int keepBoxes();
    ComparisonWindow* view() const { return view_; }

    void pictureChanged() override;
    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(const QString& path, const QString& file, bool keepPlace);
    void chooseFile();
    void changed();
    void showCounts();
    bool comparing() const;

    Comparison& comparison_;
    MeasurementStore& measurements_;
    ComparisonWindow* view_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer countsDue_;
    qint64 lastBlink_ = 0;    // the last press of B, repeats included
    qint64 blinkPressed_ = 0; // the press of B that showed the comparison alone, or back
    int clipboardPictures_ = 0;
};
