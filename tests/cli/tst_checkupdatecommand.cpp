#include "support/StubHttpServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

// `tidewell --check-update` run as the real program against a local stand-in service.
class CheckUpdateCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void printsTheAnswerAndExits_data();
    void printsTheAnswerAndExits();
};

void CheckUpdateCommandTest::printsTheAnswerAndExits_data()
{
    QTest::addColumn<bool>("setUp");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    // A line break or a terminal escape in the service's text does not reach the terminal as such.
    QTest::newRow("answered") << true
                              << QByteArray(R"({"message":"New\nbuild\u001b[2J","version":"9.9.9",)"
                                            R"("download_link":"https://dl.example/T.dmg"})")
                              << 0 << QByteArray("New build [2J\n9.9.9\nhttps://dl.example/T.dmg\n")
                              << QByteArray();
    QTest::newRow("failed") << true << QByteArray(R"({"version":"9.9.9"})") << 1 << QByteArray()
                            << QByteArray("Failed to check for update, please check your network.\n"
                                          "The answer has no text member \"message\".\n");
    QTest::newRow("not set up") << false << QByteArray() << 3 << QByteArray()
                                << "Update checks are not set up in this build.\n"_ba;
}

void CheckUpdateCommandTest::printsTheAnswerAndExits()
{
    QFETCH(bool, setUp);
    QFETCH(QByteArray, answer);
    StubHttpServer service;
    service.setReply("/api/check-update", StubHttpServer::Reply::with(answer));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Set but empty turns checks off whatever the build was configured with.
    environment.insert(u"TIDEWELL_UPDATE_URL"_s, setUp ? service.origin() : QString());
    program.setProcessEnvironment(environment);
    QSignalSpy finished(&program, &QProcess::finished);
    // The stand-in answers from this test's event loop, so the program is waited for without blocking it.
    program.start(QStringLiteral(TIDEWELL_PROGRAM), {u"--check-update"_s});
    QVERIFY(finished.wait(30'000));

    QTEST(program.exitCode(), "exitCode");
    QTEST(program.readAllStandardOutput(), "out");
    QTEST(program.readAllStandardError(), "err");
    QCOMPARE(service.requests().size(), setUp ? 1 : 0);
    QCOMPARE(service.requests().value(0).body,
             setUp ? QByteArray("{\"current_version\":\"" TIDEWELL_VERSION "\"}") : QByteArray());
}

QTEST_GUILESS_MAIN(CheckUpdateCommandTest)
#include "tst_checkupdatecommand.moc"
