#pragma once

#include "viewer/instrument.h"

class PictureOpening;

#include <QString>
#include <QStringList>

// Space shows the next picture in the folder of the one shown, Backspace the one before, in
// the order a file manager lists them ("shot2.png" before "shot10.png", letter case aside),
// among the files of a format the program reads. Nothing happens at either end. A file that
// fails to load shows the load error, and the walk goes on past it.
class FolderWalk : public Instrument
{
    Q_OBJECT
public:
    // Says through `opening` that what it opens is walked to.
    FolderWalk(frmVelmora& window, PictureOpening& opening);

    // The picture `steps` files on; false when there is none there.
    bool step(int steps);
    // The readable files of a folder, by name, in the order they are walked.
    static QStringList walkOrder(const QString& folder);

    void pictureChanged() override;

private:
    PictureOpening& opening_;
    QString at_; // the file last shown or tried, for going on past one that failed
};
