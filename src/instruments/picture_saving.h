#pragma once

#include "viewer/instrument.h"

#include <QString>

class ScratchPicture;

// "另存为…" (Ctrl+S): keeps the picture shown (a capture, a paste, a crop or any picture)
// as a PNG file, lossless, through a save dialog that proposes a name from its caption.
// Saved, the picture is that file: the caption names it, and it reloads, walks and is
// remembered as any file is, with its measurements and the view kept.
class PictureSaving : public Instrument
{
    Q_OBJECT
public:
    PictureSaving(frmVelmora& window, const ScratchPicture& made);

    // The name the dialog proposes, without a folder: "屏幕截图 2026-12-09 18-02-11.png".
    QString proposedName() const;
    // Asks where, then saves.
    void saveAs();
    // Writes the picture shown to `path` as PNG, whole or not at all, and shows that file;
    // false, with the reason in a message, when it cannot.
    bool save(const QString& path);

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    const ScratchPicture& made_;
};
