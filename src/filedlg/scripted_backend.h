#pragma once

#include "filedlg/file_dlg.h"

#include <QList>
#include <QString>
#include <optional>

// A back end for tests: answers open and save dialogs alike from a script instead of showing
// them, and keeps every record it was shown so tests can check what they would have been told.
class ScriptedOpenFileBackend : public OpenFileBackend
{
public:
    // Installs a fresh scripted back end for every clsFileDlg and returns it. It stays
    // installed until clsFileDlg::setBackend() is called again.
    static ScriptedOpenFileBackend& install();

    // Queues the next answers: a chosen path, or the user cancelling. Once the queue is
    // empty, every further dialog is cancelled.
    void answer(QString path);
    void cancel();

    const QList<OpenFileRecord>& records() const { return records_; }

    bool GetOpenFileName(OpenFileRecord& record) override;
    bool GetSaveFileName(OpenFileRecord& record) override;

private:
    QList<std::optional<QString>> answers_;
    QList<OpenFileRecord> records_;
};
