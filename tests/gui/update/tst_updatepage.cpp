#include "gui/update/UpdatePage.h"
#include "support/ServicesFixture.h"
#include "support/SmallDisk.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include "net/CurlMulti.h"

#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

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
        // Outside text keeps its line and its order: bidirectional controls go, other controls are spaces.
        QTest::newRow("controls and bidi")
            << true
            << Reply::with(
                   "{\"message\":\"\\u202eNew\\u0007 build\\u001b[2J\\nnow\",\"version\":\"9.9\\u202e.9\","
                   "\"download_link\":\"http:\\/\\/h/T.dmg\"}")
            << u"New  build [2J now"_s << u"Download 9.9.9"_s;
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
        QTest::addColumn<QString>("outcome"); // the file's name, or the start of the failure shown
        QTest::addColumn<int>("asked");       // requests the service sees, for a failure
        QTest::newRow("redirect to another name, no length")
            << u"/get/latest"_s << u"Tidewell-9.9.9.dmg"_s << 0;
        // A name the link cannot give safely is the one of the platform's own package.
        QTest::newRow("final name ..") << u"/files/.."_s << u"tidewell.deb"_s << 0;
        QTest::newRow("no handler for the file: its folder opens")
            << u"/files/Tidewell.bin"_s << u"Tidewell.bin"_s << 0;
        // A separator in any form it can arrive in never names a file outside the folder.
        QTest::newRow("encoded slash") << u"/files/..%2F..%2Fevil.sh"_s << u"tidewell.deb"_s << 0;
        QTest::newRow("encoded backslash") << u"/files/..%5Cevil.sh"_s << u"tidewell.deb"_s << 0;
        // Longer than a file system takes (255 bytes): shortened before the download, extension kept.
        QTest::newRow("300-byte name")
            << u"/files/"_s + QString(296, u'a') + u".dmg"_s << QString(236, u'a') + u".dmg"_s << 0;
        // A bidirectional control in the name is kept in the file's name, never shown.
        QTest::newRow("bidi control in the name")
            << u"/files/a%E2%80%AEgnp.dmg"_s << u"a\u202Egnp.dmg"_s << 0;
        QTest::newRow("another scheme")
            << u"file://localhost/etc/hostname"_s << u"Download failed: Only http and https links"_s << 1;
        QTest::newRow("ESC in an http link")
            << u"/files/a\\u001bb.dmg"_s << u"Download failed: Not a valid link: http"_s << 1;
        // Whatever came is dropped: the final name never holds a part of the file.
        QTest::newRow("ends short of its length")
            << u"/files/short.dmg"_s << u"Download failed: transfer closed with"_s << 2;
        QTest::newRow("endless, no length")
            << u"/files/endless"_s << u"Download failed: The reply is larger than 1048576 bytes."_s << 2;
        // A small file system of the test's own runs out of space; the system's reason is shown.
        QTest::newRow("full disk") << u"/files/big.dmg"_s << u"Download failed: No space left on device"_s
                                   << 2;
    }

    void downloads()
    {
        QFETCH(QString, link);
        QFETCH(QString, outcome);
        const bool failed = outcome.startsWith(u"Download failed"_s);
        m_fixture->desktop->hasOpener = !link.endsWith(u".bin"_s);
        const QByteArray image(300 * 1024, 'i');
        std::optional<SmallDisk> disk;
        if (link.endsWith(u"big.dmg"_s)) {
            QVERIFY(QDir().mkpath(folder()));
            disk.emplace(folder(), 64);
            if (!disk->skipReason().isEmpty())
                QSKIP(qPrintable(disk->skipReason()));
        }
        if (link.startsWith(QLatin1Char('/')))
            link.prepend(m_service->origin());
        m_service->setReply("/api/check-update", offer(link));
        m_service->setReply("/get/latest", redirect("/files/Tidewell-9.9.9.dmg"));
        m_service->setReply("/files/Tidewell-9.9.9.dmg", Reply::with(image).withoutLength().heldAfter(1000));
        // The request line carries the normalised path ("/" for "/files/.."); the name comes from the link.
        for (const QByteArray& path :
             {"/files/Tidewell.bin"_ba, "/"_ba, "/files/..%2F..%2Fevil.sh"_ba, "/files/..%5Cevil.sh"_ba,
              "/files/a%E2%80%AEgnp.dmg"_ba, "/files/" + QByteArray(296, 'a') + ".dmg"})
            m_service->setReply(path, Reply::with(image).heldAfter(1000));
        Reply shortOfLength = Reply::with(image).withoutLength();
        shortOfLength.headers.append({QByteArray("Content-Length"), QByteArray::number(image.size() + 1000)});
        m_service->setReply("/files/short.dmg", shortOfLength);
        m_service->setReply("/files/endless", Reply::with(QByteArray(2 * 1024 * 1024, 'e')).withoutLength());
        m_service->setReply("/files/big.dmg", Reply::with(image));
        RequestLimits limits;
        limits.maxDownloadBytes = 1024 * 1024;
        const auto shown = page(m_service->origin(), limits);
        pressDownload(*shown);
        if (failed) {
            QTRY_VERIFY(child<QLabel>(shown.get(), "downloadStatus")->text().startsWith(outcome));
            QVERIFY(child<QPushButton>(shown.get(), "downloadButton")->isVisibleTo(shown.get()) &&
                    m_fixture->desktop->calls.isEmpty());
            QTEST(int(m_service->requests().size()), "asked");
            // No file under any name: neither the final one nor a partial one left behind.
            QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
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
        // Half-way the bytes are in an unnamed partial file; only the whole file takes the name.
        const QString path = QDir(folder()).filePath(outcome);
        QVERIFY(!QFile::exists(path));
        m_fixture->desktop->failure = u"xdg-open not found"_s; // the opener is missing when the file lands
        m_service->release(m_service->requests().constLast().target);
        const QString opened = m_fixture->desktop->hasOpener
                                   ? u"openUrl "_s + QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded())
                                   : u"openFolder "_s + folder();
        QTRY_COMPARE(m_fixture->desktop->calls, QStringList{opened});
        QTRY_COMPARE(child<QLabel>(shown.get(), "failure")->text(), u"xdg-open not found"_s);
        m_fixture->desktop->failure.clear();
        QCOMPARE(child<QLabel>(shown.get(), "downloadStatus")->text(),
                 u"Downloaded to "_s + QString(path).remove(QChar(0x202E)));
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
        QCOMPARE(fileContent(path), image);
        // Only the finished file is left, in a folder no other account can enter, and nothing outside it.
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{outcome});
        QCOMPARE(int(QFile::permissions(folder()) & 0x7077), 0x7000);
        QStringList around =
            QDir(m_fixture->dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        around.removeAll(u"settings.ini"_s);
        QCOMPARE(around, QStringList{u"updates"_s});
        // Where the link names the file, a fresh page opens the earlier one, asking only for the check.
        if (link.contains(u"/get/"_s))
            return;
        const qsizetype requests = m_service->requests().size();
        const auto again = page(m_service->origin());
        pressDownload(*again);
        QTRY_COMPARE(m_fixture->desktop->calls.size(), 2);
        QCOMPARE(m_fixture->desktop->calls.at(1), m_fixture->desktop->calls.at(0));
        QCOMPARE(m_service->requests().size(), requests + 1);
        QVERIFY(!again->downloadStarted());
    }

    // Something another account put under the offered name in an open folder is never opened, replaced
    // or followed; the file is fetched anew under a fresh name.
    void plantedFileIsNeverOpened_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("a link to a file elsewhere") << u"symlink"_s;
        QTest::newRow("a second name of a file elsewhere") << u"hard link"_s;
        QTest::newRow("another user's file") << u"foreign"_s;
        QTest::newRow("a FIFO") << u"fifo"_s;
    }

    void plantedFileIsNeverOpened()
    {
        QFETCH(QString, planted);
        QVERIFY(QDir().mkpath(folder()) && QFile::setPermissions(folder(), QFileDevice::Permissions(0x7777)));
        const QString elsewhere = m_fixture->dir.filePath(u"secret"_s);
        QVERIFY(writeFile(elsewhere, "secret"));
        const QString name = QDir(folder()).filePath(u"Tidewell-9.9.9.dmg"_s);
        const QByteArray path = QFile::encodeName(name);
        if (planted == u"symlink"_s) {
            QCOMPARE(::symlink(QFile::encodeName(elsewhere).constData(), path.constData()), 0);
        } else if (planted == u"hard link"_s) {
            QCOMPARE(::link(QFile::encodeName(elsewhere).constData(), path.constData()), 0);
        } else if (planted == u"foreign"_s) {
            if (::geteuid() != 0)
                QSKIP("giving a file to another user needs root");
            QVERIFY(QFile::copy(elsewhere, name));
            QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
        } else {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        }
        struct stat before = {};
        QCOMPARE(::lstat(path.constData(), &before), 0);
        const QByteArray image(300 * 1024, 'i');
        m_service->setReply("/api/check-update", offer(m_service->origin() + u"/files/Tidewell-9.9.9.dmg"_s));
        m_service->setReply("/files/Tidewell-9.9.9.dmg", Reply::with(image));
        const auto shown = page(m_service->origin());
        pressDownload(*shown);
        const QString fresh = QDir(folder()).filePath(u"Tidewell-9.9.9-1.dmg"_s);
        QTRY_COMPARE(m_fixture->desktop->calls,
                     QStringList{u"openUrl "_s + QUrl::fromLocalFile(fresh).toString()});
        QCOMPARE(m_service->requests().size(), 2);
        QCOMPARE(fileContent(fresh), image);
        struct stat after = {};
        QCOMPARE(::lstat(path.constData(), &after), 0);
        QCOMPARE(std::tuple(after.st_ino, after.st_mode, after.st_uid, after.st_nlink, after.st_size),
                 std::tuple(before.st_ino, before.st_mode, before.st_uid, before.st_nlink, before.st_size));
        QCOMPARE(fileContent(elsewhere), "secret"_ba);
    }

private:
    static Reply offer(const QString& link)
    {
        return Reply::with(R"({"message":"Tidewell 9.9.9 is out","version":"9.9.9","download_link":")" +
                           link.toUtf8() + R"("})");
    }
    static Reply redirect(const QByteArray& to)
    {
        Reply reply = Reply::with({}, 302);
        reply.headers.append({"Location"_ba, to});
        return reply;
    }
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
