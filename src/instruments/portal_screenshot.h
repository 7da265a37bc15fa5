#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <optional>

// The desktop's screenshot portal (org.freedesktop.portal.Screenshot over D-Bus): the way a
// program may take the screen on Wayland, where the window system gives it nothing. The
// desktop answers a call with a request object, and the request later with the picture's
// file, a cancel or a failure; it may also never answer, which ends as a failure after a
// while. One request at a time.
class PortalScreenshot : public QObject
{
    Q_OBJECT
public:
    struct Outcome {
        enum class Kind { Taken, Cancelled, Failed };
        Kind kind = Kind::Failed;
        QImage image;
        // Why it failed, as the note says it after "无法截屏：".
        QString reason;
    };
    using Done = std::function<void(const Outcome&)>;

    // On `bus`; with none, the session's, connected to when first asked.
    explicit PortalScreenshot(std::optional<QDBusConnection> bus = std::nullopt,
                              QObject* parent = nullptr);

    // Asks for the whole screen, or (interactive) for what the person picks in the
    // desktop's own chooser; `done` is called once, later, whatever happens.
    void take(bool interactive, Done done);
    bool busy() const { return static_cast<bool>(done_); }
    // The bus the desktop is asked on, while no request is under way.
    void setBus(QDBusConnection bus) { bus_ = std::move(bus); }
    // How long the desktop may take to answer, with its chooser and without.
    void setTimeoutsMs(int plain, int interactive);

private slots:
    void response(uint code, const QVariantMap& results);

private:
    void listenAt(const QString& path);
    void finish(const Outcome& outcome);

    std::optional<QDBusConnection> bus_;
    QTimer timeout_;
    QString listening_;
    Done done_;
    int plainMs_ = 15000;
    int interactiveMs_ = 120000;
    int requests_ = 0;
};
