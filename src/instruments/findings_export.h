#pragma once

#include "instruments/findings_picture.h"
#include "viewer/instrument.h"

#include <QImage>
#include <QString>

class Guides;
class MeasurementStore;
class ScratchPicture;

// Hands the findings on: "导出带测量的图像…" writes the picture of the findings as PNG, at the
// picture's own size or at the factor in force (the dialog's second file type), and
// "复制带测量的图像" puts it, at its own size, on the clipboard as PNG and as an image, ready
// to paste into a bug report.
class FindingsExport : public Instrument
{
    Q_OBJECT
public:
    FindingsExport(frmVelmora& window, const MeasurementStore& store, const Guides& guides,
                   const ScratchPicture& made);

    // The picture of the findings, enlarged `factor` times; null for no picture or one too
    // large.
    QImage findingsPicture(int factor) const;
    // Writes it to `path` as PNG; a failure is said in a message box. Whether it was written.
    bool exportTo(const QString& path, int factor);
    void copy();

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    void exportAs();
    QString proposedName() const;

    const MeasurementStore& store_;
    const Guides& guides_;
    const ScratchPicture& made_;
};
