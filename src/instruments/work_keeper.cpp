#include "instruments/work_keeper.h"

#include "instruments/guides.h"
#include "instruments/inch_basis.h"
#include "instruments/measurement_store.h"
#include "toolkit/regular_file.h"
#include "toolkit/runtime_error.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QKeySequence>
#include <QUndoStack>
#include <cstdio>
#include <utility>

namespace
{

// Writes follow a change this soon, so that a crash loses little and a burst of changes is
// one write.
constexpr int kSaveDelayMs = 400;

} // namespace

// One undoable step: the work before and after it.
class WorkKeeper::Step : public QUndoCommand
{
public:
    Step(WorkKeeper& keeper, record::PictureRecord before, record::PictureRecord after)
        : keeper_(keeper), before_(std::move(before)), after_(std::move(after))
    {
    }
    void undo() override { keeper_.putInPlace(before_, false); }
    void redo() override
    {
        // Pushed once done: the first redo is the change itself.
        if (done_)
            keeper_.putInPlace(after_, false);
        done_ = true;
    }

private:
    WorkKeeper& keeper_;
    record::PictureRecord before_;
    record::PictureRecord after_;
    bool done_ = false;
};

WorkKeeper::WorkKeeper(frmVelmora& window, MeasurementStore& store, Guides& guides,
                       InchBasis& basis, KeptWork files)
    : Instrument(window), store_(store), guides_(guides), basis_(basis), files_(std::move(files))
{
    setObjectName(QStringLiteral("workKeeper"));
    commitSoon_.setSingleShot(true);
    commitSoon_.setInterval(0);
    connect(&commitSoon_, &QTimer::timeout, this, &WorkKeeper::commit);
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(kSaveDelayMs);
    connect(&saveSoon_, &QTimer::timeout, this, &WorkKeeper::saveNow);
    connect(&store_, &MeasurementStore::added, this, &WorkKeeper::changed);
    connect(&store_, &MeasurementStore::removed, this, &WorkKeeper::changed);
    connect(&guides_, &Guides::changed, this, &WorkKeeper::changed);
    connect(&basis_, &InchBasis::scaleSet, this, [this] {
        scale_ = basis_.scale();
        changed();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &WorkKeeper::saveNow);
    claimKey(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { return undo(); });
    claimKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { return redo(); });
    claimKey(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { return redo(); });
}

WorkKeeper::~WorkKeeper()
{
    // Closing the window keeps what is on the picture; the window is going, so a failure is
    // said on standard error only.
    closing_ = true;
    commit();
    saveNow();
}

record::PictureRecord WorkKeeper::now() const
{
    return record::PictureRecord{image_, store_.all(), guides_.all(), scale_};
}

WorkKeeper::Kept& WorkKeeper::kept()
{
    Kept& kept = pictures_[key_];
    if (!kept.steps) {
        kept.steps = std::make_unique<QUndoStack>();
        kept.steps->setUndoLimit(kUndoSteps);
    }
    return kept;
}

void WorkKeeper::changed()
{
    if (putting_ || key_.isEmpty())
        return;
    pending_ = true;
    if (!holding_)
        commitSoon_.start();
}

void WorkKeeper::commit()
{
    commitSoon_.stop();
    const bool absorbing = std::exchange(absorbing_, false);
    if (!std::exchange(pending_, false) || key_.isEmpty())
        return;
    record::PictureRecord after = now();
    Kept& picture = kept();
    if (after == picture.work)
        return;
    if (!absorbing)
        picture.steps->push(new Step(*this, picture.work, after));
    picture.work = std::move(after);
    saveSoon_.start();
}

void WorkKeeper::putInPlace(const record::PictureRecord& work, bool withPicture)
{
    putting_ = true;
    store_.replace(work.measurements);
    guides_.replace(work.guides);
    if (basis_.scale() != work.scale)
        basis_.setScale(work.scale,
                        withPicture ? InchBasis::Apply::WithPicture : InchBasis::Apply::Now);
    putting_ = false;
    scale_ = work.scale;
    if (!key_.isEmpty()) {
        kept().work = now();
        saveSoon_.start();
    }
}

bool WorkKeeper::undo()
{
    return takeStep(true);
}

bool WorkKeeper::redo()
{
    return takeStep(false);
}

bool WorkKeeper::takeStep(bool back)
{
    if (key_.isEmpty())
        return false;
    commit();
    QUndoStack& steps = *kept().steps;
    if (!(back ? steps.canUndo() : steps.canRedo()))
        showBriefNote(back ? tr("没有可撤销的更改") : tr("没有可重做的更改"));
    else if (back)
        steps.undo();
    else
        steps.redo();
    return true;
}

void WorkKeeper::saveNow()
{
    saveSoon_.stop();
    if (key_.isEmpty() || !onDisk_)
        return;
    QString why;
    if (files_.save(key_, now(), &why) || toldUnwritable_)
        return;
    // Once a run: the work stays while the program runs, and it goes on.
    toldUnwritable_ = true;
    std::fprintf(stderr, "quarnet: cannot keep measurements in %s: %s\n",
                 qPrintable(QDir::toNativeSeparators(files_.folder())), qPrintable(why));
    if (!closing_)
        showBriefNote(tr("无法保存测量记录：%1").arg(why));
}

QString WorkKeeper::keyOfShown(bool* ofFile) const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    *ofFile = false;
    try {
        const std::unique_ptr<QFile> file = toolkit::openRegularFile(window().picturePath());
        *ofFile = hash.addData(file.get());
    } catch (const toolkit::RuntimeError&) {
    }
    if (!*ofFile) {
        // Gone already: the pixels stand for it while it is shown.
        hash.reset();
        const QImage picture = window().picture();
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(picture.constBits()),
                                    picture.sizeInBytes()));
        hash.addData(QByteArrayLiteral("pixels"));
    }
    return KeptWork::keyOf(hash.result());
}

void WorkKeeper::pictureChanged()
{
    // What the last picture held, before the others hear of the new one.
    commit();
    saveNow();
    holding_ = false;
    const bool shown =
        window().pictureFrom() != PictureView::From::Nothing && !window().imageSize().isEmpty();
    bool ofFile = false;
    const QString key = shown ? keyOfShown(&ofFile) : QString();
    const bool isFile = ofFile && window().pictureFrom() == PictureView::From::File;
    if (window().reopened() && shown && !key_.isEmpty()) {
        // The same picture read again, perhaps changed: its work goes with it, less what no
        // longer lies on it, which the instruments trim as they hear of it.
        if (key != key_) {
            Kept moved = std::move(kept());
            pictures_.erase(key_);
            if (window().imageSize() != image_)
                moved.steps->clear();
            pictures_[key] = std::move(moved);
            key_ = key;
        } else if (window().imageSize() != image_) {
            kept().steps->clear();
        }
        image_ = window().imageSize();
        onDisk_ = isFile;
        absorbing_ = true;
        pending_ = true;
        commitSoon_.start();
        return;
    }
    key_ = key;
    image_ = shown ? window().imageSize() : QSize();
    onDisk_ = isFile;
    record::PictureRecord work;
    if (!key_.isEmpty()) {
        const auto known = pictures_.find(key_);
        if (known != pictures_.end())
            work = known->second.work;
        else if (onDisk_)
            work = files_.load(key_, image_).value_or(record::PictureRecord{});
    }
    putInPlace(work, true);
}

void WorkKeeper::mousePressed(const PictureMouse& mouse)
{
    // The left button drags measurements and guides; the right one opens a menu, whose
    // release the picture may never hear.
    holding_ = mouse.buttons & Qt::LeftButton;
}

void WorkKeeper::mouseReleased(const PictureMouse& mouse)
{
    holding_ = mouse.buttons & Qt::LeftButton;
    // After the others have heard the release: a drag's measurement is kept then.
    if (pending_)
        commitSoon_.start();
}

void WorkKeeper::rulerPressed(Qt::Orientation, const PictureMouse& mouse)
{
    holding_ = mouse.buttons & Qt::LeftButton;
}

void WorkKeeper::rulerReleased(Qt::Orientation, const PictureMouse& mouse)
{
    holding_ = mouse.buttons & Qt::LeftButton;
    if (pending_)
        commitSoon_.start();
}
