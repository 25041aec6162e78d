#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/widgets/PopoverWindow.h"
#include "support/ServicesFixture.h"

#include <QLabel>
#include <QTest>
#include <QTextDocumentFragment>
#include <sys/stat.h>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

// A tooltip is markup whenever its text looks like markup.
QString shownToolTip(const QString& tip)
{
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

// Labels that may render markup, and tooltips that did (an image, or the marker without its tag).
QStringList markupIn(QList<QWidget*> widgets)
{
    QStringList found;
    for (QWidget* root : QList(widgets))
        widgets += root->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QString tip = shownToolTip(widget->toolTip());
        if ((label && label->textFormat() != Qt::PlainText) ||
            tip.contains(QChar::ObjectReplacementCharacter) ||
            (tip.contains(u"SPOOFED"_s) && !tip.contains(u"<font"_s)))
            found.append(widget->objectName() + u": "_s + (label ? label->text() : widget->toolTip()));
    }
    return found;
}

} // namespace

class OutsideTextTest : public QObject
{
    Q_OBJECT
private slots:
    void hostileTextsStayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("font") << u"<font color=red size=7>SPOOFED</font>"_s;
        QTest::newRow("endless image") << u"<img src=\"/dev/zero\">"_s;
        QTest::newRow("image that never opens") << u"<img src=\"FIFO\">"_s;
    }
    // The text as page title, folder and command of a port row, a saved row and a popover with details.
    void hostileTextsStayText()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
        text.replace(u"FIFO"_s, dir.filePath(u"fifo"_s));
        test::ServicesFixture fixture;
        const PortData entry(u"node"_s, u"3000"_s, u"1"_s,
                             HTMLData{text, AppType::nextjs, std::nullopt, HttpScheme::http},
                             ProcessInfo{dir.filePath(text), text});
        ProcessItem row(entry, false, fixture.services());
        QuickLaunchItem savedRow(QuickLaunchStore::addQuickLaunchItem(entry, fixture.state),
                                 fixture.services());
        PopoverWindow popover(text, nullptr, new ProcessDetailsPanel(entry, true));
        // Before anything is laid out: a label that takes the text for markup loads its images then.
        const QStringList found = markupIn({&row, &savedRow, &popover});
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
        for (QWidget* widget : QList<QWidget*>{&row, &savedRow, &popover})
            widget->grab();
        QCOMPARE(shownToolTip(popover.findChild<QLabel*>(u"popoverTitle"_s)->toolTip()), text);
    }
};

QTEST_MAIN(OutsideTextTest)
#include "tst_outsidetext.moc"
