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
    const QString none = QStringLiteral("No Title");

    QTest::newRow("title element") << QStringLiteral("<head><title>My App</title></head>")
                                   << QStringLiteral("My App");
    QTest::newRow("first of two") << QStringLiteral("<title>First</title><svg><title>Second</title></svg>")
                                  << QStringLiteral("First");
    QTest::newRow("capitals are another tag") << QStringLiteral("<TITLE>Loud</TITLE>") << none;
    QTest::newRow("attributes not matched") << QStringLiteral("<title lang=\"en\">Tagged</title>") << none;
    // The text is shown as the page wrote it: no white space folding, no entity decoding.
    QTest::newRow("text kept as it is") << QStringLiteral("<title>\n  My   App &amp; Co\n</title>")
                                        << QStringLiteral("\n  My   App &amp; Co\n");
    QTest::newRow("non-ASCII") << QStringLiteral("<title>Caf\u00e9 \u2615</title>")
                               << QStringLiteral("Caf\u00e9 \u2615");
    QTest::newRow("empty element beats og:title") << QStringLiteral("<title></title>") + og << QString();
    QTest::newRow("og:title") << QStringLiteral("<head>") + og + QStringLiteral("</head>")
                              << QStringLiteral("Shop");
    QTest::newRow("og:title empty") << QStringLiteral("<meta property=\"og:title\" content=\"\">")
                                    << QString();
    QTest::newRow("og:title single quotes")
        << QStringLiteral("<meta property='og:title' content='Shop'>") << none;
    QTest::newRow("og:title content first")
        << QStringLiteral("<meta content=\"Shop\" property=\"og:title\">") << none;
    QTest::newRow("og:title never closed")
        << QStringLiteral("<meta property=\"og:title\" content=\"Shop") << none;
    QTest::newRow("title wins over og:title")
        << og + QStringLiteral("<title>Real</title>") << QStringLiteral("Real");
    QTest::newRow("unclosed title falls back")
        << QStringLiteral("<title>Broken") + og << QStringLiteral("Shop");
    QTest::newRow("stray closing tag falls back")
        << QStringLiteral("</title><title>Late</title>") + og << QStringLiteral("Shop");
    QTest::newRow("stray closing tag, no og:title") << QStringLiteral("</title><title>Late</title>") << none;
    QTest::newRow("closing tag only") << QStringLiteral("<p>text</title>") << none;
    QTest::newRow("empty page") << QString() << none;
}

void PageMetadataTest::titleIsReadFromThePage()
{
    QFETCH(QString, page);
    QTEST(extractTitle(page), "title");
}

void PageMetadataTest::appTypeIsRecognisedFromItsMarker_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<AppType>("type");
    QTest::newRow("next.js") << QStringLiteral("<script src=\"/_next/static/chunks/main.js\">")
                             << AppType::nextjs;
    // Next.js in development also loads react-refresh; it must still be told apart from plain React.
    QTest::newRow("react-refresh before next.js")
        << QStringLiteral("<script src=\"/@react-refresh\"></script><script src=\"/_next/static/x.js\">")
        << AppType::nextjs;
    QTest::newRow("react") << QStringLiteral("<script type=\"module\" src=\"/@react-refresh\">")
                           << AppType::react;
    QTest::newRow("storybook") << QStringLiteral(
                                      "<link rel=\"modulepreload\" href=\"./sb-manager/runtime.js\">")
                               << AppType::storybook;
    QTest::newRow("sb-manager only named")
        << QStringLiteral("<p>Our sb-manager/runtime.js bundle</p>") << AppType::unknown;
    QTest::newRow("sb-manager without dot")
        << QStringLiteral("<link href=\"/sb-manager/runtime.js\">") << AppType::unknown;
    QTest::newRow("sb-manager single quotes")
        << QStringLiteral("<link href='./sb-manager/runtime.js'>") << AppType::unknown;
    QTest::newRow("case-sensitive") << QStringLiteral("<script src=\"/_NEXT/STATIC/x.js\"><p>React-Refresh")
                                    << AppType::unknown;
    QTest::newRow("empty page") << QString() << AppType::unknown;
}

void PageMetadataTest::appTypeIsRecognisedFromItsMarker()
{
    QFETCH(QString, page);
    QTEST(detectAppType(page), "type");
}

QTEST_GUILESS_MAIN(PageMetadataTest)
#include "tst_pagemetadata.moc"
