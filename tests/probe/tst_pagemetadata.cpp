#include "probe/PageMetadata.h"

#include <QTest>

using namespace tidewell;

Q_DECLARE_METATYPE(tidewell::AppType)

class PageMetadataTest : public QObject
{
    Q_OBJECT
private slots:
    void titleIsReadFromThePage_data();
    void titleIsReadFromThePage();
    void appTypeIsRecognisedFromItsMarker_data();
    void appTypeIsRecognisedFromItsMarker();
};

void PageMetadataTest::titleIsReadFromThePage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");

    const QString og = QStringLiteral("<meta property=\"og:title\" content=\"Shop\">");

    QTest::newRow("title element") << QStringLiteral("<html><head><title>My App</title></head></html>")
                                   << QStringLiteral("My App");
    QTest::newRow("first title element of two")
        << QStringLiteral("<title>First</title><svg><title>Second</title></svg>") << QStringLiteral("First");
    QTest::newRow("capital letters are a different tag")
        << QStringLiteral("<html><head><TITLE>Loud</TITLE></head></html>") << QStringLiteral("No Title");
    QTest::newRow("tag with attributes is not matched")
        << QStringLiteral("<title lang=\"en\">Tagged</title>") << QStringLiteral("No Title");
    QTest::newRow("text over several lines is kept as it is")
        << QStringLiteral("<title>\n    My   App\n  Dashboard\n</title>")
        << QStringLiteral("\n    My   App\n  Dashboard\n");
    QTest::newRow("entities are not decoded")
        << QStringLiteral("<title>Tom &amp; Jerry</title>") << QStringLiteral("Tom &amp; Jerry");
    QTest::newRow("non-ASCII text") << QStringLiteral("<title>Caf\u00e9 \u2615</title>")
                                    << QStringLiteral("Caf\u00e9 \u2615");
    QTest::newRow("empty element") << QStringLiteral("<head><title></title>") + og << QString();
    QTest::newRow("og:title meta tag")
        << QStringLiteral("<head>") + og + QStringLiteral("</head>") << QStringLiteral("Shop");
    QTest::newRow("og:title meta tag with empty content")
        << QStringLiteral("<meta property=\"og:title\" content=\"\">") << QString();
    QTest::newRow("og:title in single quotes")
        << QStringLiteral("<meta property='og:title' content='Shop'>") << QStringLiteral("No Title");
    QTest::newRow("og:title with content written first")
        << QStringLiteral("<meta content=\"Shop\" property=\"og:title\">") << QStringLiteral("No Title");
    QTest::newRow("og:title with the content never closed")
        << QStringLiteral("<meta property=\"og:title\" content=\"Shop") << QStringLiteral("No Title");
    QTest::newRow("title element wins over og:title")
        << og + QStringLiteral("<title>Real</title>") << QStringLiteral("Real");
    QTest::newRow("unclosed title falls back to og:title")
        << QStringLiteral("<title>Broken") + og << QStringLiteral("Shop");
    QTest::newRow("unclosed title without og:title")
        << QStringLiteral("<title>Broken") << QStringLiteral("No Title");
    QTest::newRow("stray closing tag before the element falls back to og:title")
        << QStringLiteral("</title><title>Late</title>") + og << QStringLiteral("Shop");
    QTest::newRow("stray closing tag before the element without og:title")
        << QStringLiteral("</title><title>Late</title>") << QStringLiteral("No Title");
    QTest::newRow("closing tag only") << QStringLiteral("<p>text</title>") << QStringLiteral("No Title");
    QTest::newRow("empty page") << QString() << QStringLiteral("No Title");
}

void PageMetadataTest::titleIsReadFromThePage()
{
    QFETCH(QString, page);
    QFETCH(QString, title);
    QCOMPARE(extractTitle(page), title);
}

void PageMetadataTest::appTypeIsRecognisedFromItsMarker_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<AppType>("type");

    QTest::newRow("next.js chunk path")
        << QStringLiteral("<script src=\"/_next/static/chunks/main.js\"></script>") << AppType::nextjs;
    QTest::newRow("next.js in development also loads react-refresh")
        << QStringLiteral("<script src=\"/_next/static/chunks/react-refresh.js\"></script>")
        << AppType::nextjs;
    QTest::newRow("react-refresh before the next.js marker")
        << QStringLiteral(
               "<script src=\"/@react-refresh\"></script><script src=\"/_next/static/x.js\"></script>")
        << AppType::nextjs;
    QTest::newRow("react-refresh") << QStringLiteral(
                                          "<script type=\"module\" src=\"/@react-refresh\"></script>")
                                   << AppType::react;
    QTest::newRow("storybook manager")
        << QStringLiteral("<link rel=\"modulepreload\" href=\"./sb-manager/runtime.js\">")
        << AppType::storybook;
    QTest::newRow("page merely naming sb-manager")
        << QStringLiteral("<p>Our sb-manager/runtime.js bundle is served elsewhere.</p>") << AppType::unknown;
    QTest::newRow("storybook path without the leading dot")
        << QStringLiteral("<link href=\"/sb-manager/runtime.js\">") << AppType::unknown;
    QTest::newRow("storybook path in single quotes")
        << QStringLiteral("<link href='./sb-manager/runtime.js'>") << AppType::unknown;
    QTest::newRow("markers are case-sensitive")
        << QStringLiteral("<script src=\"/_NEXT/STATIC/x.js\"></script><p>React-Refresh</p>")
        << AppType::unknown;
    QTest::newRow("plain page") << QStringLiteral("<html><head><title>Plain</title></head></html>")
                                << AppType::unknown;
    QTest::newRow("empty page") << QString() << AppType::unknown;
}

void PageMetadataTest::appTypeIsRecognisedFromItsMarker()
{
    QFETCH(QString, page);
    QFETCH(AppType, type);
    QCOMPARE(detectAppType(page), type);
}

QTEST_GUILESS_MAIN(PageMetadataTest)
#include "tst_pagemetadata.moc"
