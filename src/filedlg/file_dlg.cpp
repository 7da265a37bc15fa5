#include "filedlg/file_dlg.h"

#include "filedlg/qt_file_dialog_backend.h"

OpenFileBackend::~OpenFileBackend() = default;

namespace
{
// Created on first use, so merely linking the library needs no QApplication.
std::unique_ptr<OpenFileBackend>& currentBackend()
{
    static std::unique_ptr<OpenFileBackend> backend;
    if (!backend)
        backend = std::make_unique<QtFileDialogBackend>();
    return backend;
}
} // namespace

void clsFileDlg::setBackend(std::unique_ptr<OpenFileBackend> backend)
{
    currentBackend() = backend ? std::move(backend) : std::make_unique<QtFileDialogBackend>();
}

namespace
{
// The chosen path, also into Filename when given. Cancel, closing and failure all read as
// "nothing chosen".
QString answered(bool chosen, const OpenFileRecord& record, OptionalText* Filename)
{
    const QString result = chosen ? TrimNull(record.lpstrFile) : QString("");
    if (Filename)
        *Filename = result;
    return result;
}
} // namespace

QString clsFileDlg::ShowOpen(quintptr Owner, OptionalText* Filename, const QString& Filter,
                             bool MultiSelect, bool FileMustExist, bool ReadOnly, bool HideReadOnly,
                             qint32 FilterIndex, const OptionalText& InitDir,
                             const OptionalText& DefaultExt, const OptionalText& FileTitle,
                             const OptionalText& DlgTitle, qint32 flags, qint32* ChosenFilterIndex)
{
    OpenFileRecord record = buildOpenFileRecord(
        Owner, Filename ? *Filename : std::nullopt, Filter, MultiSelect, FileMustExist, ReadOnly,
        HideReadOnly, FilterIndex, InitDir, DefaultExt, FileTitle, DlgTitle, flags);
    const QString result = answered(currentBackend()->GetOpenFileName(record), record, Filename);
    if (ChosenFilterIndex && !result.isEmpty())
        *ChosenFilterIndex = record.nFilterIndex;
    return result;
}

QString clsFileDlg::ShowSave(quintptr Owner, OptionalText* Filename, const QString& Filter,
                             qint32 FilterIndex, const OptionalText& InitDir,
                             const OptionalText& DefaultExt, const OptionalText& DlgTitle,
                             qint32* ChosenFilterIndex)
{
    OpenFileRecord record =
        buildOpenFileRecord(Owner, Filename ? *Filename : std::nullopt, Filter, false, false, false,
                            false, FilterIndex, InitDir, DefaultExt, std::nullopt, DlgTitle, 0);
    record.Flags |= OFN_OVERWRITEPROMPT;
    const QString result = answered(currentBackend()->GetSaveFileName(record), record, Filename);
    if (ChosenFilterIndex && !result.isEmpty())
        *ChosenFilterIndex = record.nFilterIndex;
    return result;
}
