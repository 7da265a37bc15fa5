#pragma once

#include "filedlg/file_dlg.h"

// Shows Qt's own file dialog (never the desktop's native one) so it looks and behaves the
// same on every desktop and can be driven from tests.
class QtFileDialogBackend : public OpenFileBackend
{
public:
    bool GetOpenFileName(OpenFileRecord& record) override;
    bool GetSaveFileName(OpenFileRecord& record) override;
};
