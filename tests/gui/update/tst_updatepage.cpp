#include "gui/update/UpdatePage.h"
#include "support/ServicesFixture.h"
#include "support/StubHttpServer.h"
#include "support/WidgetHelpers.h"

#include "net/CurlMulti.h"
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Reply = StubHttpServer::Reply;

class UpdatePageTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_service = std::make_unique<StubHttpServer>();
        m_fixture = std::make_unique<ServicesFixture>();
    }

    void showsTheAnswer_data()
    {
        QTest::addColumn<bool>("setUp");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("button");
        // ("\/" keeps moc from reading "//" in a raw string as a comment.)
        const QByteArray offer = R"("version":"9.9.9","download_link":"http:\/\/h/T.dmg"})";
        // Markup in the service's text is shown as it is, never rendered.
        QTest::newRow("version and link") << true << Reply::with(R"({"message":"<b>New</b> build",)" + offer)
                                          << u"<b>New</b> build"_s << u"Download 9.9.9"_s;
        QTest::newRow("message alone")
            << true << Reply::with(R"({"message":"Up to date"})") << u"Up to date"_s << QString();
        QTest::newRow("no message") << true << Reply::with("{" + offer) << UpdateService::kCheckFailed
                                    << QString();
        QTest::newRow("silent service")
            << true << Reply::silence() << UpdateService::kCheckFailed << QString();
        QTest::newRow("not set up") << false << Reply() << UpdateService::kNotSetUp << QString();
    }

    void showsTheAnswer()
    {
        QFETCH(bool, setUp);
        QFETCH(Reply, reply);
        m_service->setReply("/api/check-update", reply);
        const auto shown = page(setUp ? m_service->origin() : QString(), RequestLimits{300ms});
        QCOMPARE(shown->message().has_value(), !setUp);

        QTRY_VERIFY(shown->message().has_value());
        const QLabel* message = child<QLabel>(shown.get(), "message");
        QTEST(message->text(), "message");
        QCOMPARE(message->textFormat(), Qt::PlainText);
        const QPushButton* download = child<QPushButton>(shown.get(), "downloadButton");
        QTEST(download->isVisibleTo(shown.get()) ? download->text() : QString(), "button");
        QCOMPARE(m_service->requests().size(), setUp ? 1 : 0);
        if (!setUp)
            return;
        QCOMPARE(child<QLabel>(shown.get(), "currentVersion")->text(), u"Current Version 9.0.1"_s);
        const StubHttpServer::Request request = m_service->requests().at(0);
        QCOMPARE(request.method + ' ' + request.target + ' ' + request.body,
                 QByteArray(R"(POST /api/check-update {"current_version":"9.0.1"})"));
        // Nothing beyond what every HTTP client sends: no extra header leaves the program.
        QCOMPARE(request.headers.keys(),
                 (QList<QByteArray>{"accept", "accept-encoding", "content-length", "content-type", "host"}));
    }

    void downloads_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("opener"); // whether the desktop has a real handler for the file
        QTest::newRow("redirect to another name, no length")
            << u"/get/latest"_s << u"Tidewell-9.9.9.dmg"_s << QString() << true;
        QTest::newRow("final name ..") << u"/files/.."_s << u"Tidewell.dmg"_s << QString() << true;
        QTest::newRow("no handler for the file: its folder opens")
            << u"/files/Tidewell.bin"_s << u"Tidewell.bin"_s << QString() << false;
        QTest::newRow("another scheme") << u"file://localhost/etc/hostname"_s << QString()
                                        << u"Download failed: Only http and https links"_s << true;
    }

    void downloads()
    {
        QFETCH(QString, link);
        QFETCH(QString, fileName);
        QFETCH(QString, failure);
        QFETCH(bool, opener);
        m_fixture->desktop->hasOpener = opener;
        const QByteArray image(300 * 1024, 'i');
        if (link.startsWith(QLatin1Char('/')))
            link.prepend(m_service->origin());
        m_service->setReply(
            "/api/check-update",
            Reply::with(R"({"message":"Tidewell 9.9.9 is out","version":"9.9.9","download_link":")" +
                        link.toUtf8() + R"("})"));
        Reply redirect = Reply::with({}, 302);
        redirect.headers.append({QByteArray("Location"), QByteArray("/files/Tidewell-9.9.9.dmg")});
        m_service->setReply("/get/latest", redirect);
        m_service->setReply("/files/Tidewell-9.9.9.dmg", Reply::with(image).withoutLength().heldAfter(1000));
        m_service->setReply("/files/Tidewell.bin", Reply::with(image).heldAfter(1000));
        // The request line carries the normalised path; the name still comes from the link.
        m_service->setReply("/", Reply::with(image).heldAfter(1000));

        const auto shown = page(m_service->origin());
        pressDownload(*shown);
        if (!failure.isEmpty()) {
            QTRY_VERIFY(child<QLabel>(shown.get(), "downloadStatus")->text().startsWith(failure));
            QVERIFY(child<QPushButton>(shown.get(), "downloadButton")->isVisibleTo(shown.get()) &&
                    m_fixture->desktop->calls.isEmpty());
            QCOMPARE(m_service->requests().size(), 1);
            return;
        }
        // While bytes arrive the bar shows; without a length it is a busy indicator, not an empty bar.
        const QProgressBar* bar = child<QProgressBar>(shown.get(), "progressBar");
        QTRY_VERIFY(bar->isVisibleTo(shown.get()) && (bar->maximum() == 0 || bar->value() > 0));
        QCOMPARE(bar->maximum() == 0, link.endsWith(QLatin1String("latest")));
        // The bytes so far, over the total where the reply gave one.
        const QLabel* progress = child<QLabel>(shown.get(), "downloadProgress");
        const QLocale locale;
        const QString sizes =
            link.endsWith(QLatin1String("latest"))
                ? locale.formattedDataSize(1000)
                : locale.formattedDataSize(1000) + u" of "_s + locale.formattedDataSize(image.size());
        QTRY_VERIFY2(progress->isVisibleTo(shown.get()) && progress->text() == sizes,
                     qPrintable(progress->text()));
        // Half-way, the bytes are in a partial file (unnamed until it is whole); the name is taken only
        // by the whole file.
        const QString path = QDir(folder()).filePath(fileName);
        QVERIFY(!QFile::exists(path));
        // The opener is missing when the file lands: the page says so.
        m_fixture->desktop->failure = u"xdg-open not found"_s;
        m_service->release(m_service->requests().constLast().target);

        const QString opened =
            opener ? u"openUrl "_s + QUrl::fromLocalFile(path).toString() : u"openFolder "_s + folder();
        QTRY_COMPARE(m_fixture->desktop->calls, QStringList{opened});
        QTRY_COMPARE(child<QLabel>(shown.get(), "failure")->text(), u"xdg-open not found"_s);
        m_fixture->desktop->failure.clear();
        // Where it is, and a way to open it again or see it among the others.
        QCOMPARE(child<QLabel>(shown.get(), "downloadStatus")->text(), u"Downloaded to "_s + path);
        QVERIFY(!progress->isVisibleTo(shown.get()));
        child<QPushButton>(shown.get(), "showDownloaded")->click();
        QCOMPARE(m_fixture->desktop->calls.last(), u"openFolder "_s + folder());
        QVERIFY(!child<QLabel>(shown.get(), "failure")->isVisibleTo(shown.get()));
        m_fixture->desktop->failure = u"xdg-open not found"_s;
        child<QPushButton>(shown.get(), "openDownloaded")->click();
        QTRY_COMPARE(m_fixture->desktop->calls.size(), 3);
        QCOMPARE(m_fixture->desktop->calls.last(), opened);
        QTRY_COMPARE(child<QLabel>(shown.get(), "failure")->text(), u"xdg-open not found"_s);
        m_fixture->desktop->failure.clear();
        m_fixture->desktop->calls = QStringList{opened};
        QVERIFY(!bar->isVisibleTo(shown.get()) &&
                !child<QPushButton>(shown.get(), "downloadButton")->isVisibleTo(shown.get()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == image);
        // Only the finished file is left, in a folder no other account can enter, and nothing outside it.
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
        QCOMPARE(int(QFile::permissions(folder()) & 0x7077), 0x7000);
        QStringList around =
            QDir(m_fixture->dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        around.removeAll(u"settings.ini"_s);
        QCOMPARE(around, QStringList{u"updates"_s});

        // Where the link names the file, a press on a fresh page opens the earlier one: the service is
        // asked for the check alone.
        if (link.endsWith(QLatin1String("latest")))
            return;
        const qsizetype requests = m_service->requests().size();
        const auto again = page(m_service->origin());
        pressDownload(*again);
        QTRY_COMPARE(m_fixture->desktop->calls.size(), 2);
        QCOMPARE(m_fixture->desktop->calls.at(1), m_fixture->desktop->calls.at(0));
        QCOMPARE(m_service->requests().size(), requests + 1);
        QVERIFY(!again->downloadStarted());
    }

private:
    std::unique_ptr<UpdatePage> page(const QString& base, RequestLimits limits = {})
    {
        return std::make_unique<UpdatePage>(UpdateService(base, u"9.0.1"_s, &m_session, limits, folder()),
                                            m_fixture->services());
    }
    // A folder the page creates itself: it must come out closed to other users.
    QString folder() const { return m_fixture->dir.filePath(u"updates"_s); }
    static void pressDownload(const UpdatePage& page)
    {
        QTRY_VERIFY(child<QPushButton>(&page, "downloadButton")->isVisibleTo(&page));
        child<QPushButton>(&page, "downloadButton")->click();
    }

    std::unique_ptr<StubHttpServer> m_service;
    std::unique_ptr<ServicesFixture> m_fixture;
    CurlMulti m_session;
};

QTEST_MAIN(UpdatePageTest)
#include "tst_updatepage.moc"
