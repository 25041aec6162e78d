#include "probe/PageMetadata.h"

#include <QTest>

using namespace tidewell;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(tidewell::AppType)

class PageMetadataTest : public QObject
{
    Q_OBJECT
private slots:
    void titleIsReadFromThePage_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        const QString og = u"<meta property=\"og:title\" content=\"Q&amp;A\">"_s;
        const QString none = u"No Title"_s;
        QTest::newRow("title element") << u"<head><title>My App</title></head>"_s << u"My App"_s;
        QTest::newRow("first of two")
            << u"<title>First</title><svg><title>Second</title></svg>"_s << u"First"_s;
        QTest::newRow("capitals are another tag") << u"<TITLE>Loud</TITLE>"_s << none;
        QTest::newRow("attributes not matched") << u"<title lang=\"en\">Tagged</title>"_s << none;
        // As a browser shows it: references decoded, white space collapsed and trimmed.
        QTest::newRow("white space") << u"<title>\n  My \t  App\r\n</title>"_s << u"My App"_s;
        QTest::newRow("references of HTML's whole table")
            << u"<title>caf&eacute; &mdash; &NotEqualTilde;&hearts;</title>"_s << u"café — \u2242\u0338♥"_s;
        QTest::newRow("decimal and hex") << u"<title>&#8212;&#x1F600;&#X41;</title>"_s << u"—\U0001F600A"_s;
        QTest::newRow("a decoded newline is white space too") << u"<title>a&#10;&#10;b</title>"_s << u"a b"_s;
        QTest::newRow("no-break space kept") << u"<title>a&nbsp;b</title>"_s << u"a\u00a0b"_s;
        QTest::newRow("malformed stay as written")
            << u"<title>&amp &nosuch; &#; &#x; &#0; &#xD800; &#1114112; &#12a; R&D &</title>"_s
            << u"&amp &nosuch; &#; &#x; &#0; &#xD800; &#1114112; &#12a; R&D &"_s;
        QTest::newRow("double-encoded decoded once") << u"<title>&amp;lt;</title>"_s << u"&lt;"_s;
        QTest::newRow("empty element beats og:title") << u"<title></title>"_s + og << QString();
        QTest::newRow("og:title, decoded") << u"<head>"_s + og + u"</head>"_s << u"Q&A"_s;
        QTest::newRow("og:title content first") << u"<meta content=\"Shop\" property=\"og:title\">"_s << none;
        QTest::newRow("og:title never closed") << u"<meta property=\"og:title\" content=\"Shop"_s << none;
        QTest::newRow("title wins over og:title") << og + u"<title>Real</title>"_s << u"Real"_s;
        QTest::newRow("unclosed title falls back") << u"<title>Broken"_s + og << u"Q&A"_s;
        QTest::newRow("stray closing tag falls back") << u"</title><title>Late</title>"_s + og << u"Q&A"_s;
        QTest::newRow("closing tag only") << u"<p>text</title>"_s << none;
    }

    void titleIsReadFromThePage()
    {
        QFETCH(QString, page);
        QTEST(extractTitle(page), "title");
    }

    void appTypeIsRecognisedFromItsMarker_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<AppType>("type");
        QTest::newRow("next.js") << u"<script src=\"/_next/static/chunks/main.js\">"_s << AppType::nextjs;
        // Next.js in development also loads react-refresh; it must still be told apart from plain React.
        QTest::newRow("react-refresh before next.js")
            << u"<script src=\"/@react-refresh\"></script><script src=\"/_next/static/x.js\">"_s
            << AppType::nextjs;
        QTest::newRow("react") << u"<script type=\"module\" src=\"/@react-refresh\">"_s << AppType::react;
        QTest::newRow("storybook") << u"<link href=\"./sb-manager/runtime.js\">"_s << AppType::storybook;
        QTest::newRow("sb-manager without dot")
            << u"<link href=\"/sb-manager/runtime.js\">"_s << AppType::unknown;
        QTest::newRow("case-sensitive")
            << u"<script src=\"/_NEXT/STATIC/x.js\"><p>React-Refresh"_s << AppType::unknown;
    }

    void appTypeIsRecognisedFromItsMarker()
    {
        QFETCH(QString, page);
        QTEST(detectAppType(page), "type");
    }
};

QTEST_GUILESS_MAIN(PageMetadataTest)
#include "tst_pagemetadata.moc"
