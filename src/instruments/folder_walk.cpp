#include "instruments/folder_walk.h"

#include "instruments/picture_opening.h"
#include "toolkit/picture_decoder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace
{

// Compares runs of digits by their value and the rest letter by letter, case aside, as file
// managers list names: "shot2" before "shot10". QCollator's numeric mode is missing where
// Qt is built without ICU.
int naturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i, startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            // Without leading zeros, the longer run is the larger number.
            QStringView digitsA = QStringView(a).mid(startA, i - startA);
            QStringView digitsB = QStringView(b).mid(startB, j - startB);
            while (digitsA.size() > 1 && digitsA.front() == QLatin1Char('0'))
                digitsA = digitsA.mid(1);
            while (digitsB.size() > 1 && digitsB.front() == QLatin1Char('0'))
                digitsB = digitsB.mid(1);
            if (digitsA.size() != digitsB.size())
                return digitsA.size() < digitsB.size() ? -1 : 1;
            if (const int c = digitsA.compare(digitsB); c != 0)
                return c;
            continue;
        }
        const char32_t x = QChar::toCaseFolded(a[i].unicode());
        const char32_t y = QChar::toCaseFolded(b[j].unicode());
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

bool walkedBefore(const QString& a, const QString& b)
{
    const int compared = naturalCompare(a, b);
    // Names alike but for case still need an order of their own.
    return compared != 0 ? compared < 0 : a < b;
}

} // namespace

FolderWalk::FolderWalk(frmVelmora& window, PictureOpening& opening)
    : Instrument(window), opening_(opening)
{
    setObjectName(QStringLiteral("folderWalk"));
    claimPictureKey(QKeySequence(Qt::Key_Space), [this] { return step(1); });
    claimPictureKey(QKeySequence(Qt::Key_Backspace), [this] { return step(-1); });
}

void FolderWalk::pictureChanged()
{
    // Wherever the picture came from is where the next walk starts; a file that would not
    // load keeps its place in the folder, so the walk goes on past it.
    at_ = window().pictureFrom() == PictureView::From::File ? window().picturePath()
                                                            : window().failedPath();
}

QStringList FolderWalk::walkOrder(const QString& folder)
{
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::Readable);
    dir.setNameFilters(toolkit::readablePatterns());
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(), walkedBefore);
    return names;
}

bool FolderWalk::step(int steps)
{
    const QString& from = at_;
    if (from.isEmpty())
        return false;
    const QFileInfo here(from);
    const QStringList names = walkOrder(here.absolutePath());
    qsizetype index = names.indexOf(here.fileName());
    if (index < 0) {
        // The file went: go on from where it stood in the order.
        index = std::lower_bound(names.begin(), names.end(), here.fileName(), walkedBefore) -
                names.begin();
        if (steps > 0)
            --index;
    }
    const qsizetype next = index + steps;
    if (next < 0 || next >= names.size())
        return false;
    // Told until the event is done: within a key's handling, the others hear of the picture
    // only once the key's handler has finished.
    opening_.walking = true;
    openPicture(here.dir().filePath(names[next]));
    afterThisEvent([this] { opening_.walking = false; });
    return true;
}
