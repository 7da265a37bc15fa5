#include "instruments/portal_screenshot.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImageReader>
#include <QUrl>

namespace
{

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The answer's codes: 0 the picture, 1 cancelled by the person, anything else a failure.
constexpr uint kCancelled = 1;

} // namespace

PortalScreenshot::PortalScreenshot(std::optional<QDBusConnection> bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus))
{
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        finish({Outcome::Kind::Failed, QImage(), tr("桌面没有回应")});
    });
}

void PortalScreenshot::setTimeoutsMs(int plain, int interactive)
{
    plainMs_ = plain;
    interactiveMs_ = interactive;
}

void PortalScreenshot::take(bool interactive, Done done)
{
    if (busy() || !done)
        return;
    done_ = std::move(done);
    if (!bus_)
        bus_ = QDBusConnection::sessionBus();
    if (!bus_->isConnected()) {
        finish({Outcome::Kind::Failed, QImage(), tr("没有桌面的会话总线")});
        return;
    }
    // The request's object is named from our name on the bus and a token of ours, so its
    // answer can be listened for before the call is made: a quick desktop answers at once.
    const QString token =
        QStringLiteral("quarnet%1_%2").arg(QCoreApplication::applicationPid()).arg(++requests_);
    QString sender = bus_->baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    listenAt(kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);
    timeout_.start(interactive ? interactiveMs_ : plainMs_);

    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("modal"), true},
                              {QStringLiteral("interactive"), interactive}};
    call << QString() << options;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, -1), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *answered;
                if (!busy())
                    return;
                if (reply.isError()) {
                    const bool none = reply.error().type() == QDBusError::ServiceUnknown ||
                                      reply.error().type() == QDBusError::UnknownInterface ||
                                      reply.error().type() == QDBusError::UnknownMethod ||
                                      reply.error().type() == QDBusError::UnknownObject;
                    finish({Outcome::Kind::Failed, QImage(),
                            none ? tr("桌面没有截屏服务") : reply.error().message()});
                    return;
                }
                // An older desktop names the request otherwise.
                if (reply.value().path() != listening_)
                    listenAt(reply.value().path());
            });
}

void PortalScreenshot::listenAt(const QString& path)
{
    if (!listening_.isEmpty())
        bus_->disconnect(kService, listening_, kRequest, QStringLiteral("Response"), this,
                         SLOT(response(uint, QVariantMap)));
    listening_ = path;
    if (!path.isEmpty())
        bus_->connect(kService, path, kRequest, QStringLiteral("Response"), this,
                      SLOT(response(uint, QVariantMap)));
}

void PortalScreenshot::response(uint code, const QVariantMap& results)
{
    if (!busy())
        return;
    if (code == kCancelled) {
        finish({Outcome::Kind::Cancelled, QImage(), QString()});
        return;
    }
    if (code != 0) {
        finish({Outcome::Kind::Failed, QImage(), tr("桌面拒绝了截屏")});
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    QImageReader reader(uri.toLocalFile());
    const QImage image = uri.isLocalFile() ? reader.read() : QImage();
    if (image.isNull()) {
        finish({Outcome::Kind::Failed, QImage(), tr("桌面给的图像无法读取")});
        return;
    }
    finish({Outcome::Kind::Taken, image, QString()});
}

void PortalScreenshot::finish(const Outcome& outcome)
{
    timeout_.stop();
    listenAt(QString());
    // Cleared first: `done` may ask for another.
    const Done done = std::exchange(done_, Done());
    if (done)
        done(outcome);
}
