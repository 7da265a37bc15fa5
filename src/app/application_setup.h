#pragma once

class QCoreApplication;

// The program's names, which also say where its settings go: ~/.config/Quarnet/Quarnet.conf.
void setApplicationNames();

// Settings kept by earlier versions, which had no organisation name and wrote to
// ~/.config/Unknown Organization/Quarnet.conf, carried over once: only while the settings
// file of today does not exist yet. The names must be set first.
void carryOverOldSettings();

// Qt's own texts (the buttons of message boxes, the file dialogs) in Simplified Chinese, as
// the window is, whatever the desktop's language; false when the translations are missing.
bool loadToolkitTranslations(QCoreApplication& application);
