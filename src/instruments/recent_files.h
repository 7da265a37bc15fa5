#pragma once

#include "viewer/instrument.h"

#include <QStringList>

class PictureOpening;

// The last ten files opened (not walked to), newest first, remembered between runs and offered in
// the picture's menu under 最近的文件. One that no longer exists is dropped from the list with a
// brief note.
class RecentFiles : public Instrument
{
    Q_OBJECT
public:
    static constexpr int kKept = 10;

    RecentFiles(frmVelmora& window, const PictureOpening& opening);

    QStringList files() const;
    // Opens a file of the list, or drops it from the list when it is gone; false then.
    bool open(const QString& path);

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;
    void pictureChanged() override;

private:
    void remember(const QString& path);
    void forget(const QString& path);

    const PictureOpening& opening_;
};
