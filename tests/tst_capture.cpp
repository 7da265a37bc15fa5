// Taking the screen and keeping pictures that have no file: the desktop's screenshot portal
// answered by a service of our own on a bus of our own (a picture, a cancel, a failure, no
// answer, no service), the capture shown in the window as a paste is, saving as PNG and
// cropping to a box.
#include "instruments/capture_tool.h"
#include "instruments/crop_tool.h"
#include "instruments/file_density.h"
#include "instruments/picture_saving.h"
#include "instruments/picture_source.h"
#include "instruments/portal_screenshot.h"
#include "instruments/recent_files.h"
#include "support/test_support.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using testing::Window;

namespace
{

// How the fake desktop answers a screenshot request.
enum class Answer { Picture, Cancel, Failure, Nothing };

// The desktop's screenshot portal as far as a request and its answer go.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    FakePortal(QDBusConnection bus, QString picture) : bus_(bus), picture_(std::move(picture)) {}
    Answer answer = Answer::Picture;
    int asked = 0;
    bool interactive = false;

public slots:
    QDBusObjectPath Screenshot(const QString& /*parent*/, const QVariantMap& options,
                               const QDBusMessage& message)
    {
        ++asked;
        interactive = options.value(QStringLiteral("interactive")).toBool();
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/") +
                                sender + QLatin1Char('/') +
                                options.value(QStringLiteral("handle_token")).toString();
        if (answer != Answer::Nothing)
            QTimer::singleShot(20, this, [this, request] {
                QDBusMessage response = QDBusMessage::createSignal(
                    request, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"));
                const uint code = answer == Answer::Picture ? 0 : answer == Answer::Cancel ? 1 : 2;
                QVariantMap results;
                if (answer == Answer::Picture)
                    results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(picture_).toString());
                response << code << results;
                bus_.send(response);
            });
        return QDBusObjectPath(request);
    }

private:
    QDBusConnection bus_;
    QString picture_;
};

} // namespace

class tst_Capture : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QImage screen_;
    std::unique_ptr<FakePortal> portal_;

    QDBusConnection service() const { return QDBusConnection(QStringLiteral("fake desktop")); }
    QDBusConnection client() const { return QDBusConnection(QStringLiteral("viewer")); }

private slots:
    // A bus of our own, with the fake desktop on it.
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                .arg(dir_.path())
                .toUtf8());
        file.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        QVERIFY2(daemon_.waitForStarted(), "dbus-daemon (package dbus-daemon) is needed");
        QVERIFY(daemon_.waitForReadyRead(10000));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QVERIFY(
            QDBusConnection::connectToBus(address_, QStringLiteral("fake desktop")).isConnected());
        QVERIFY(QDBusConnection::connectToBus(address_, QStringLiteral("viewer")).isConnected());

        screen_ = testing::gradientImage(203, 117);
        const QString picture = testing::writeImage(dir_, QStringLiteral("screen.png"), screen_);
        portal_ = std::make_unique<FakePortal>(service(), picture);
        QVERIFY(service().registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        QVERIFY(service().registerObject(QStringLiteral("/org/freedesktop/portal/desktop"),
                                         portal_.get(), QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake desktop"));
        daemon_.kill();
        daemon_.waitForFinished();
    }

    // Every answer ends the request once, as it should, and none hangs.
    void portalAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("onOurBus");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        using Kind = PortalScreenshot::Outcome::Kind;
        QTest::newRow("a picture") << int(Answer::Picture) << true << int(Kind::Taken) << "";
        QTest::newRow("cancelled") << int(Answer::Cancel) << true << int(Kind::Cancelled) << "";
        QTest::newRow("refused") << int(Answer::Failure) << true << int(Kind::Failed)
                                 << "桌面拒绝了截屏";
        QTest::newRow("no answer")
            << int(Answer::Nothing) << true << int(Kind::Failed) << "桌面没有回应";
        QTest::newRow("no portal")
            << int(Answer::Picture) << false << int(Kind::Failed) << "桌面没有截屏服务";
    }

    void portalAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, onOurBus);
        QFETCH(int, kind);
        QFETCH(QString, reason);
        portal_->answer = Answer(answer);
        if (!onOurBus)
            service().unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        PortalScreenshot portal(client());
        portal.setTimeoutsMs(500, 500);
        int answers = 0;
        PortalScreenshot::Outcome got;
        portal.take(true, [&](const PortalScreenshot::Outcome& outcome) {
            ++answers;
            got = outcome;
        });
        QVERIFY(portal.busy());
        QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 3000);
        QTest::qWait(600);
        QCOMPARE(answers, 1);
        QCOMPARE(int(got.kind), kind);
        QCOMPARE(got.reason, reason);
        if (got.kind == PortalScreenshot::Outcome::Kind::Taken) {
            QVERIFY(portal_->interactive);
            QCOMPARE(
                testing::firstDifference(got.image.convertToFormat(QImage::Format_RGB32), screen_),
                QString());
        }
        if (!onOurBus)
            QVERIFY(service().registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }

    // Captured through the portal, the picture is shown as a paste is, named for the time it
    // was taken, with the screen's resolution as its file's; the windows step aside and come
    // back. A cancel changes nothing and says so.
    void captureInTheWindow()
    {
        Window w;
        const QString shot =
            testing::writeImage(dir_, QStringLiteral("shot.bmp"), testing::gradientImage(40, 30));
        w.open(shot);
        auto& tool = *w->instrument<CaptureTool>();
        tool.setUsePortal(true);
        tool.portal().setBus(client());

        portal_->answer = Answer::Cancel;
        tool.capture();
        QVERIFY(!w->isVisible());
        QTRY_VERIFY(!tool.capturing());
        QVERIFY(w->isVisible());
        QCOMPARE(tool.lastNote(), QStringLiteral("截屏已取消"));
        QCOMPARE(w->picturePath(), shot);

        portal_->answer = Answer::Picture;
        tool.capture();
        QTRY_VERIFY(!tool.capturing());
        QVERIFY(w->isVisible());
        QCOMPARE(w->pictureFrom(), PictureView::From::Clipboard);
        QVERIFY(w->instrument<PictureSource>()->file().isEmpty());
        QCOMPARE(testing::firstDifference(w->picture(), screen_), QString());
        QVERIFY2(w->windowTitle().contains(
                     QRegularExpression(QStringLiteral(" — 屏幕截图 \\d\\d:\\d\\d:\\d\\d$"))),
                 qPrintable(w->windowTitle()));
        const auto recorded = density::recordedIn(w->picturePath());
        QVERIFY(recorded.has_value());
        QCOMPARE(qRound(recorded->x), qRound(w->screenPixelsPerInch().x));
        QVERIFY(!w->instrument<RecentFiles>()->files().contains(w->picturePath()));
        QVERIFY(w->instrument<PictureSaving>()->proposedName().startsWith(
            QStringLiteral("屏幕截图 2")));
    }

    // Saved, the PNG holds the picture's pixels exactly, and the picture is that file with
    // its measurements; cropped, a box dragged up and to the left, zoomed out, is exactly
    // its pixels, both corners included.
    void saveAndCrop()
    {
        Window w;
        const QImage picture = testing::gradientImage(61, 37);
        w.open(testing::writeImage(dir_, QStringLiteral("scan.bmp"), picture));
        w.measurements().add({measurement::Kind::Box, QPoint(50, 30), QPoint(7, 3), {}, 0, 0});
        w->SetFactor(Zoom{1, 3});
        w.measurements().setSelection({0});

        auto& crop = *w->instrument<CropTool>();
        QCOMPARE(crop.selectedBox(), QRect(QPoint(7, 3), QPoint(50, 30)));
        QVERIFY(crop.crop());
        QCOMPARE(w->pictureFrom(), PictureView::From::Clipboard);
        QCOMPARE(testing::firstDifference(w->picture(), picture.copy(7, 3, 44, 28)), QString());
        QVERIFY2(w->windowTitle().endsWith(QStringLiteral("scan 的裁剪 1")),
                 qPrintable(w->windowTitle()));

        auto& saving = *w->instrument<PictureSaving>();
        QCOMPARE(saving.proposedName(), QStringLiteral("scan 裁剪 1.png"));
        w.measurements().add({measurement::Kind::Line, QPoint(1, 2), QPoint(40, 20), {}, 0, 0});
        const QString saved = dir_.filePath(QStringLiteral("kept.png"));
        QVERIFY(saving.save(saved));
        QImage read(saved);
        QCOMPARE(testing::firstDifference(read.convertToFormat(QImage::Format_RGB32),
                                          picture.copy(7, 3, 44, 28)),
                 QString());
        QCOMPARE(w->pictureFrom(), PictureView::From::File);
        QCOMPARE(w->picturePath(), saved);
        QVERIFY(w->windowTitle().endsWith(QStringLiteral(" — kept.png")));
        QCOMPARE(w.measurements().count(), 1);
        QVERIFY(w->instrument<RecentFiles>()->files().contains(saved));

        // No box selected alone: nothing to crop.
        w.measurements().setSelection({});
        QVERIFY(!crop.crop());
        // A folder that cannot be written: a message, and the picture stays.
        QVERIFY(!saving.save(QStringLiteral("/proc/kept.png")));
        QCOMPARE(w.messages().size(), 1);
        QCOMPARE(w->picturePath(), saved);
    }
};

QTEST_MAIN(tst_Capture)
#include "tst_capture.moc"
