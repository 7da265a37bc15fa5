#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace toolkit
{

// A modal message box: the text, an OK button, no icon, the application's title as caption.
void MsgBox(QWidget* parent, const QString& text);
// Tests replace the box with a hook that records the text; an empty function restores it.
void setMessageBoxHook(std::function<void(const QString&)> hook);

// Runs all pending window events, then returns.
void DoEvents();
// How many times DoEvents has run, for checks that none runs where it must not: inside a
// menu's or a dialog's own event handling.
quint64 yieldsSoFar();

// The mouse pointer over the application: 0 the default arrow, 11 the hourglass.
constexpr int vbDefault = 0;
constexpr int vbHourglass = 11;
void setMousePointer(int pointer);
int mousePointer();

} // namespace toolkit
