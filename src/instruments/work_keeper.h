#pragma once

#include "instruments/kept_work.h"
#include "instruments/picture_record.h"
#include "viewer/instrument.h"

#include <QSize>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>

class Guides;
class InchBasis;
class MeasurementStore;
class QUndoStack;

// Keeps what a person made on each picture, its measurements, guides and scale, with the
// picture: walking on and back, opening another and coming back, or starting again another
// day brings them back as they were. A picture is known by the SHA-256 of its bytes; a file's
// work is kept on disk (KeptWork), a paste's or a capture's while the program runs and,
// once saved, with its file. Ctrl+Z undoes every change to them, one step a gesture (a drag
// is one), Ctrl+Shift+Z and Ctrl+Y redo, each picture with its own steps.
//
// It must be attached before the instruments that draw or read the measurements: it puts
// the new picture's work in place before they hear of the picture.
class WorkKeeper : public Instrument
{
    Q_OBJECT
public:
    static constexpr int kUndoSteps = 1000;

    WorkKeeper(frmVelmora& window, MeasurementStore& store, Guides& guides, InchBasis& basis,
               KeptWork files = KeptWork());
    ~WorkKeeper() override;

    // The name the picture shown is known by (the hex SHA-256 of its bytes); "" for none.
    const QString& key() const { return key_; }
    bool undo();
    bool redo();
    // Writes the picture's work to its file now, rather than shortly.
    void saveNow();

    void pictureChanged() override;
    void mousePressed(const PictureMouse& mouse) override;
    void mouseReleased(const PictureMouse& mouse) override;
    void rulerPressed(Qt::Orientation ruler, const PictureMouse& mouse) override;
    void rulerReleased(Qt::Orientation ruler, const PictureMouse& mouse) override;

private:
    class Step;
    struct Kept {
        record::PictureRecord work;
        std::unique_ptr<QUndoStack> steps;
    };

    record::PictureRecord now() const;
    // The picture shown's; its work is as it was after the last step.
    Kept& kept();
    // Ctrl+Z (back) or a redo, or a note that there is none.
    bool takeStep(bool back);
    // Something changed: a step once the gesture, or the event, is over.
    void changed();
    // The changes since the last step as one step.
    void commit();
    // Puts `work` in place without making a step of it.
    void putInPlace(const record::PictureRecord& work, bool withPicture);
    // The hash of the picture's bytes: its file's, else its pixels' for a picture whose file
    // cannot be read again. Whether it is its file's.
    QString keyOfShown(bool* ofFile) const;

    MeasurementStore& store_;
    Guides& guides_;
    InchBasis& basis_;
    KeptWork files_;
    std::map<QString, Kept> pictures_;
    QString key_;
    QSize image_;
    bool onDisk_ = false;         // a file's, so kept on disk
    std::optional<double> scale_; // the basis's, as last told
    bool pending_ = false;
    bool holding_ = false;   // a button is down: the gesture is one step
    bool absorbing_ = false; // a reload's trimming is not a step
    bool putting_ = false;
    bool toldUnwritable_ = false;
    bool closing_ = false;
    QTimer commitSoon_;
    QTimer saveSoon_;
};
