#pragma once

#include "instruments/measurement_table.h"
#include "viewer/instrument.h"

#include <QString>

class MeasurementStore;
class QTableView;

// A tool window titled 测量 listing every kept measurement in the table's columns, in the unit
// chosen. Selecting rows selects the measurements on the picture, and a click on the picture
// selects the row; Delete removes the selected, a button all of them, and 另存为 CSV… saves
// the table. M and the picture's menu show and hide it; whether it is shown and where are
// remembered.
class MeasurementList : public Instrument
{
    Q_OBJECT
public:
    MeasurementList(frmVelmora& window, MeasurementStore& store);
    ~MeasurementList() override;

    bool shown() const;
    void setShown(bool shown);
    QTableView* table() const;
    // Writes the table to path as CSV (UTF-8); a failure is told in a message box naming the
    // file and the reason, and the measurements stay. Whether it was written.
    bool saveCsv(const QString& path);

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;
    void unitsChanged() override;

private:
    class Model;
    class View;
    void saveCsvAs();
    void added(int index);
    void keptChanged();
    // The measure tool's selection shown in the table, and the table's given to the tool.
    void showSelection();
    void takeSelection();
    QList<measurement::Row> rows() const;

    MeasurementStore& store_;
    Model* model_;
    View* view_;
};
