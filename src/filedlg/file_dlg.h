#pragma once

#include "filedlg/open_file_record.h"

#include <QString>
#include <QtGlobal>
#include <memory>

// Whatever actually shows the open-file and save-file dialogs. Replaceable so windows can be
// tested with a scripted answer instead of a person.
class OpenFileBackend
{
public:
    virtual ~OpenFileBackend();
    // Shows the dialog described by record. On a choice, writes the full path followed by a
    // NUL into record.lpstrFile and returns true; returns false when nothing was chosen.
    virtual bool GetOpenFileName(OpenFileRecord& record) = 0;
    // The same for a name to save under, which need not exist yet.
    virtual bool GetSaveFileName(OpenFileRecord& record) = 0;
};

// The system's open-file and save-file dialogs, one call each. Keeps no state between calls.
class clsFileDlg
{
public:
    // Shows the modal dialog and returns the full path of the chosen file, or "" when the
    // user cancelled or closed it. Filename, when given, goes in as the initial name and comes
    // back holding the result too. Raises InvalidProcedureCall when Filename or FileTitle is
    // longer than 260 characters, Overflow when Filter is longer than 32,767. On a choice,
    // ChosenFilterIndex, when given, receives the filter entry in force (from 1).
    QString ShowOpen(quintptr Owner = 0, OptionalText* Filename = nullptr,
                     const QString& Filter = QStringLiteral("All (*.*)| *.*"),
                     bool MultiSelect = false, bool FileMustExist = true, bool ReadOnly = false,
                     bool HideReadOnly = false, qint32 FilterIndex = 1,
                     const OptionalText& InitDir = std::nullopt,
                     const OptionalText& DefaultExt = QString(""),
                     const OptionalText& FileTitle = std::nullopt,
                     const OptionalText& DlgTitle = std::nullopt, qint32 flags = 0,
                     qint32* ChosenFilterIndex = nullptr);

    // The same for saving: the dialog offers Filename in InitDir, adds DefaultExt to a name
    // typed without one and asks before an existing file is replaced; ChosenFilterIndex as
    // above.
    QString ShowSave(quintptr Owner = 0, OptionalText* Filename = nullptr,
                     const QString& Filter = QStringLiteral("All (*.*)| *.*"),
                     qint32 FilterIndex = 1, const OptionalText& InitDir = std::nullopt,
                     const OptionalText& DefaultExt = QString(""),
                     const OptionalText& DlgTitle = std::nullopt,
                     qint32* ChosenFilterIndex = nullptr);

    // Replaces the back end every clsFileDlg uses; nullptr restores the Qt dialog.
    static void setBackend(std::unique_ptr<OpenFileBackend> backend);
};

// Offered alongside so any window test can script the user's answers with this one include.
#include "filedlg/scripted_backend.h"
