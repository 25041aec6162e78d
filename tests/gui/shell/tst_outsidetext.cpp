#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/Host.h"
#include "process/ProcessStatsReader.h"
#include "support/ServicesFixture.h"

#include <QDir>
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
    void hostileTextsStayText();
};

// The text as page title, folder, command and branch of a port row, a saved row and a popover.
void OutsideTextTest::hostileTextsStayText()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
    text.replace(u"FIFO"_s, dir.filePath(u"fifo"_s));
    const QString folder = dir.filePath(u"project/"_s + text);
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(dir.filePath(u"project/.git"_s)));
    QFile head(dir.filePath(u"project/.git/HEAD"_s));
    QVERIFY(head.open(QIODevice::WriteOnly) && head.write("ref: refs/heads/" + text.toUtf8()) > 0);
    head.close();

    test::ServicesFixture fixture;
    AppServices* services = fixture.services();
    ProcessStatsReader reader(Host::create().processes);
    services->readStats = [&reader](const PortData& port) { return reader.fetchProcessStats(port); };
    const PortData entry(u"node"_s, u"3000"_s, QString::number(QCoreApplication::applicationPid()),
                         HTMLData{text, AppType::nextjs, std::nullopt, HttpScheme::http},
                         ProcessInfo{folder, text});
    ProcessItem row(entry, false, services);
    QuickLaunchItem savedRow(QuickLaunchStore::addQuickLaunchItem(entry, fixture.state), services);
    PopoverWindow popover(text, nullptr, new ProcessDetailsPanel(entry, true));
    // Before anything is laid out: a label that takes the text for markup loads its images then.
    QStringList found = markupIn({&row, &savedRow, &popover});
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));

    fixture.state.setIsVisible(true);
    fixture.state.setXrayMode(true);
    for (QWidget* widget : QList<QWidget*>{&row, &savedRow, &popover})
        widget->show();
    QTRY_COMPARE(row.findChild<ElidedLabel*>(u"statsBranch"_s)->fullText(), text);
    QCOMPARE(shownToolTip(popover.findChild<QLabel*>(u"popoverTitle"_s)->toolTip()), text);
    found = markupIn({&row, &savedRow, &popover});
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

QTEST_MAIN(OutsideTextTest)
#include "tst_outsidetext.moc"
