#include "filedlg/scripted_backend.h"

#include <memory>

ScriptedOpenFileBackend& ScriptedOpenFileBackend::install()
{
    auto backend = std::make_unique<ScriptedOpenFileBackend>();
    ScriptedOpenFileBackend& installed = *backend;
    clsFileDlg::setBackend(std::move(backend));
    return installed;
}

void ScriptedOpenFileBackend::answer(QString path)
{
    answers_.append(std::move(path));
}

void ScriptedOpenFileBackend::cancel()
{
    answers_.append(std::nullopt);
}

bool ScriptedOpenFileBackend::GetOpenFileName(OpenFileRecord& record)
{
    records_.append(record);
    const std::optional<QString> next = answers_.isEmpty() ? std::nullopt : answers_.takeFirst();
    if (!next)
        return false;
    // Like the real dialog: the whole path, however long, then the NUL that ends it.
    record.lpstrFile = *next + QChar(0);
    return true;
}

bool ScriptedOpenFileBackend::GetSaveFileName(OpenFileRecord& record)
{
    return GetOpenFileName(record);
}
