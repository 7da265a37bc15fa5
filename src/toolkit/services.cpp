#include "toolkit/services.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace toolkit
{

namespace
{

std::function<void(const QString&)>& messageBoxHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

int& currentPointer()
{
    static int pointer = vbDefault;
    return pointer;
}

} // namespace

void MsgBox(QWidget* parent, const QString& text)
{
    if (messageBoxHook()) {
        messageBoxHook()(text);
        return;
    }
    // Messages break their lines the classic way, with CR LF; Qt wants a plain LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), shown, QMessageBox::Ok,
                    parent);
    box.exec();
}

void setMessageBoxHook(std::function<void(const QString&)> hook)
{
    messageBoxHook() = std::move(hook);
}

namespace
{
quint64 yields = 0;
}

void DoEvents()
{
    ++yields;
    QCoreApplication::processEvents();
}

quint64 yieldsSoFar()
{
    return yields;
}

void setMousePointer(int pointer)
{
    if (pointer == currentPointer())
        return;
    if (currentPointer() != vbDefault)
        QApplication::restoreOverrideCursor();
    if (pointer == vbHourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    currentPointer() = pointer;
}

int mousePointer()
{
    return currentPointer();
}

} // namespace toolkit
