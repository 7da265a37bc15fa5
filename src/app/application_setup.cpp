#include "app/application_setup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quarnet"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quarnet.example.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Quarnet"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
}

void carryOverOldSettings()
{
    QSettings today;
    if (QFileInfo::exists(today.fileName()))
        return;
    const QSettings old(QStringLiteral("Unknown Organization"),
                        QCoreApplication::applicationName());
    if (!QFileInfo::exists(old.fileName()))
        return;
    for (const QString& key : old.allKeys())
        today.setValue(key, old.value(key));
    today.sync();
}

bool loadToolkitTranslations(QCoreApplication& application)
{
    // A child of the application, so it lives as long as the texts it gives.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qt_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
