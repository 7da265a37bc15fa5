#include "filedlg/qt_file_dialog_backend.h"

#include <QDir>
#include <QFileDialog>
#include <QSet>
#include <QWidget>

namespace
{

QFileDialog::FileMode fileModeFor(qint32 flags)
{
    // Qt has no mode for several files that need not exist, so choosing several always
    // means choosing existing ones.
    if (flags & OFN_ALLOWMULTISELECT)
        return QFileDialog::ExistingFiles;
    return (flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
}

// Returns the name filters as the dialog shows them, in the record's order.
QStringList applyFilters(QFileDialog& dialog, const OpenFileRecord& record)
{
    const QList<FilterItem> items = parseFilterList(record.lpstrFilter);
    if (items.isEmpty())
        return {};

    QStringList nameFilters;
    QSet<QString> descriptions;
    for (const FilterItem& item : items) {
        nameFilters.append(toQtNameFilter(item));
        descriptions.insert(item.description);
    }
    // Users expect to see just the descriptions. Qt selects a filter by its visible text,
    // though, so when two descriptions are alike the patterns must stay visible to tell
    // them apart.
    dialog.setOption(QFileDialog::HideNameFilterDetails, descriptions.size() == items.size());
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(
        nameFilters.at(selectedFilterPosition(record.nFilterIndex, int(nameFilters.size()))));
    return nameFilters;
}

bool showDialog(OpenFileRecord& record, QFileDialog::AcceptMode mode)
{
    QWidget* owner = record.hwndOwner ? QWidget::find(static_cast<WId>(record.hwndOwner)) : nullptr;
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(record.Flags & OFN_OVERWRITEPROMPT));
    dialog.setFileMode(fileModeFor(record.Flags));
    // "PHOTO.JPG" must be offered for "*.jpg", as users of this program are used to.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    // OFN_READONLY and OFN_HIDEREADONLY are not honoured: Qt's dialog has no read-only box.

    if (record.lpstrTitle)
        dialog.setWindowTitle(*record.lpstrTitle);
    if (record.lpstrInitialDir && !record.lpstrInitialDir->isEmpty())
        dialog.setDirectory(*record.lpstrInitialDir);
    if (record.lpstrDefExt && !record.lpstrDefExt->isEmpty())
        dialog.setDefaultSuffix(*record.lpstrDefExt);
    const QStringList nameFilters = applyFilters(dialog, record);
    // After the folder, so that a name with a folder in it takes the dialog there.
    const QString initialName = TrimNull(record.lpstrFile);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    // Only one path is answered even when several were picked. The path may exceed the
    // buffer's 260 characters: Linux paths can, and nothing here is a fixed-size buffer.
    record.lpstrFile = chosen.first() + QChar(0);
    // The entry in force when the choice was made, counted from 1, as the record answers it.
    // With the patterns hidden, Qt may answer the entry's visible text only.
    const QString selected = dialog.selectedNameFilter();
    for (qsizetype entry = 0; entry < nameFilters.size(); ++entry)
        if (nameFilters[entry] == selected ||
            nameFilters[entry].startsWith(selected + QStringLiteral(" ("))) {
            record.nFilterIndex = qint32(entry + 1);
            break;
        }
    return true;
}

} // namespace

bool QtFileDialogBackend::GetOpenFileName(OpenFileRecord& record)
{
    return showDialog(record, QFileDialog::AcceptOpen);
}

bool QtFileDialogBackend::GetSaveFileName(OpenFileRecord& record)
{
    return showDialog(record, QFileDialog::AcceptSave);
}
