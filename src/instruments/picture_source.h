#pragma once

#include "viewer/instrument.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

class ScratchPicture;

// Where the picture shown came from, kept current: the file's name after the window's
// caption ("剪贴板" for a pasted picture), the picture read again by itself when its file
// changes on disk and with F5, and the clipboard's picture shown with Ctrl+V or 粘贴. A
// reload keeps the factor, the scroll position as far as the new picture reaches, the unit
// and the measurements that still lie on it. A file still being written is tried again for
// a few seconds before its load error shows; a file that goes away leaves the picture shown
// and says so in the caption.
class PictureSource : public Instrument
{
    Q_OBJECT
public:
    // A picture made here (a capture, a crop) is named by the caption it was made with.
    PictureSource(frmVelmora& window, const ScratchPicture& made);
    ~PictureSource() override;

    // The file shown; "" for none and for a pasted picture.
    QString file() const { return file_; }
    bool pasted() const { return pasted_; }
    // Shows the picture on the clipboard (image data, or a copied file); false, with a brief
    // note and nothing changed, when it holds none.
    bool paste();
    // Reads the file shown again; false when no file is shown.
    bool reload();
    // The last brief note given ("剪贴板里没有图像"), for the tests.
    QString lastNote() const { return lastNote_; }

    // The folder pasted pictures are written to for loading, one for every run: under the
    // user's runtime folder, else the cache.
    static QString pastedFolder();

    // How often a file that cannot be read yet is tried again, and for how long.
    static constexpr int kRetryEveryMs = 250;
    static constexpr int kRetryForMs = 3000;

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;
    void pictureChanged() override;

private:
    void follow();
    // How the caption names a file that would not load.
    QString failedName(const QString& failed) const;
    void changedOnDisk();
    void retry();
    void note(const QString& text);

    const ScratchPicture& made_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer retry_;
    QElapsedTimer retrying_;
    QString pastedFile_; // the last picture pasted, as written for loading
    int pastes_ = 0;
    QString file_;
    QString stamp_; // the file's size and time as read, to tell its own changes from others
    bool pasted_ = false;
    QString lastNote_;
};
