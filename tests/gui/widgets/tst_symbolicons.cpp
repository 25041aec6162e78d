#include "gui/widgets/SymbolIcons.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

const QColor darkInk(0x1d, 0x1d, 0x1f);
const QColor lightInk(0xf2, 0xf2, 0xf2);
const QColor whitePanel(0xff, 0xff, 0xff);
const QColor nearBlackPanel(0x1c, 0x1c, 0x1e);
const QString resourcesDir = QStringLiteral(TIDEWELL_RESOURCES_DIR);

// A light desktop has dark text on a light window, a dark one the reverse.
void usePalette(bool dark)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::WindowText, dark ? lightInk : darkInk);
    palette.setColor(QPalette::Window, dark ? nearBlackPanel : whitePanel);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    QGuiApplication::setPalette(palette);
}

QImage render(const QIcon& icon, int size = 24, qreal ratio = 2.0, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

double luminance(QRgb pixel)
{
    return (0.2126 * qRed(pixel) + 0.7152 * qGreen(pixel) + 0.0722 * qBlue(pixel)) / 255.0;
}

// The look of the solid pixels (the ink, not its antialiased edge): mean luminance and saturation,
// and how many coarse colours each cover at least 4 % of them.
struct Ink
{
    double luminance = -1, saturation = 0;
    int colours = 0;
};

Ink inkOf(const QImage& image)
{
    Ink ink;
    int solid = 0;
    double luminanceSum = 0, saturationSum = 0;
    QHash<int, int> buckets;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() < 250)
                continue;
            ++solid;
            luminanceSum += luminance(colour.rgb());
            saturationSum += colour.hsvSaturationF();
            ++buckets[(colour.red() / 48) * 100 + (colour.green() / 48) * 10 + colour.blue() / 48];
        }
    }
    if (solid > 0)
        ink = {luminanceSum / solid, saturationSum / solid, 0};
    for (const int count : std::as_const(buckets))
        ink.colours += count * 25 >= solid ? 1 : 0;
    return ink;
}

// Percent of the pixels of an icon laid on a panel that differ clearly in brightness from it.
int standOutPercent(const QImage& icon, const QColor& panel)
{
    QImage onPanel(icon.size(), QImage::Format_ARGB32);
    onPanel.setDevicePixelRatio(icon.devicePixelRatio());
    onPanel.fill(panel);
    QPainter(&onPanel).drawImage(0, 0, icon);
    int count = 0;
    for (int y = 0; y < onPanel.height(); ++y) {
        for (int x = 0; x < onPanel.width(); ++x)
            count += std::abs(luminance(onPanel.pixel(x, y)) - luminance(panel.rgb())) > 0.3 ? 1 : 0;
    }
    return count * 100 / (onPanel.width() * onPanel.height());
}

QStringList drawingsUnder(const QString& root)
{
    QStringList found;
    for (QDirIterator it(root, {u"*.svg"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        found << it.next().mid(root.size() + 1);
    found.sort();
    return found;
}

} // namespace

class SymbolIconsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QGuiApplication::setPalette(m_startPalette); }
    void initTestCase()
    {
        // Our own drawings on every machine; the theme path is tested on a theme made here.
        qputenv("TIDEWELL_BUNDLED_ICONS", "1");
        m_startPalette = QGuiApplication::palette();
    }

    // A drawing in the folder but missing from the .qrc or from the name lists would never be shown.
    void shippedDrawingsMatchTheNames()
    {
        QVERIFY(!SymbolIcons::symbol(u"hammer"_s).isNull()); // loads the resources
        QStringList expected{u"tidewell.svg"_s};
        for (const QString& name : SymbolIcons::symbolNames())
            expected << u"symbols/%1.svg"_s.arg(name);
        for (const QString& name : SymbolIcons::assetNames())
            expected << u"assets/%1.svg"_s.arg(name);
        expected.sort();
        QCOMPARE(drawingsUnder(resourcesDir), expected);
        QCOMPARE(drawingsUnder(u":/icons"_s), expected);
    }

    void iconIsSharpAndReadable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("colours"); // 0 for a symbol, drawn in the text colour
        for (const QString& name : SymbolIcons::symbolNames())
            QTest::newRow(qPrintable(name)) << name << 0;
        // React's mark is one colour; every other mark has at least two.
        for (const QString& name : SymbolIcons::assetNames())
            QTest::newRow(qPrintable(name)) << name << (name == "react"_L1 ? 1 : 2);
    }

    void iconIsSharpAndReadable()
    {
        QFETCH(QString, name);
        QFETCH(int, colours);
        const QIcon icon = colours == 0 ? SymbolIcons::symbol(name) : SymbolIcons::asset(name);
        QVERIFY(!icon.isNull());
        usePalette(true);
        const QImage onDark = render(icon);
        usePalette(false);
        const QImage onLight = render(icon);
        // Drawn at the device size, not a 24 px picture blown up.
        QCOMPARE(onLight.size(), QSize(48, 48));
        QCOMPARE(onLight.devicePixelRatio(), 2.0);
        QCOMPARE_GE(standOutPercent(onLight, whitePanel), 5);
        QCOMPARE_GE(standOutPercent(onDark, nearBlackPanel), 5);
        const Ink ink = inkOf(onLight);
        if (colours > 0) {
            QCOMPARE(onDark, onLight);
            QCOMPARE_GE(ink.colours, colours);
            // A one-colour mark still has a colour of its own, not the text grey.
            QVERIFY(colours > 1 || ink.saturation > 0.4);
            return;
        }
        QVERIFY(ink.luminance >= 0 && ink.luminance < 0.2);
        QCOMPARE_GT(inkOf(onDark).luminance, 0.8);
        const double disabled = inkOf(render(icon, 24, 2.0, QIcon::Disabled)).luminance;
        QVERIFY2(disabled > 0.4 && disabled < 0.6, qPrintable(QString::number(disabled)));
        QCOMPARE_GT(inkOf(render(icon, 24, 2.0, QIcon::Selected)).luminance, 0.95);
    }

    // Only the shipped names of each kind load: no other case, kind or path out of the folder.
    void unknownNamesGiveNullIcons()
    {
        for (const QString& name :
             {QString(), u"no.such.symbol"_s, u"Trash"_s, u"nodejs"_s, u"../assets/nodejs"_s})
            QVERIFY2(SymbolIcons::symbol(name).isNull(), qPrintable(name));
        for (const QString& name : {QString(), u"hammer"_s, u"../tidewell"_s})
            QVERIFY2(SymbolIcons::asset(name).isNull(), qPrintable(name));
    }

    void themeIconsWinWhereTheyFit()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"probe/scalable"_s));
        QFile index(dir.filePath(u"probe/index.theme"_s));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Probe\nDirectories=scalable\n\n"
                    "[scalable]\nSize=24\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        index.close();
        // The theme has the first choice for the bin, only the second for settings, and a hammer that
        // must not replace the program's own.
        for (const char* name : {"user-trash", "preferences-system", "hammer"}) {
            QVERIFY(QFile::copy(resourcesDir + u"/assets/react.svg"_s,
                                dir.filePath(u"probe/scalable/%1.svg"_s.arg(QLatin1String(name)))));
        }
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({dir.path()});
        QIcon::setThemeName(u"probe"_s);
        qunsetenv("TIDEWELL_BUNDLED_ICONS");
        const QString trash = SymbolIcons::symbol(u"trash"_s).name();
        const QString gear = SymbolIcons::symbol(u"gearshape"_s).name();
        const QIcon folder = SymbolIcons::symbol(u"folder"_s);
        const QIcon hammer = SymbolIcons::symbol(u"hammer"_s);
        qputenv("TIDEWELL_BUNDLED_ICONS", "1");
        const QString bundledTrash = SymbolIcons::symbol(u"trash"_s).name();
        QIcon::setThemeName(themeName);
        QIcon::setThemeSearchPaths(searchPaths);

        QCOMPARE(trash, u"user-trash"_s);
        QCOMPARE(gear, u"preferences-system"_s);
        QVERIFY(!folder.isNull() && folder.name().isEmpty());
        QVERIFY(!hammer.isNull() && hammer.name().isEmpty());
        QCOMPARE(bundledTrash, QString());
    }

    // A panel the opposite shade of the desktop is common (dark bars on light themes); the rim must
    // keep the outline visible there, at every tray size.
    void trayHammerStandsOutOnEitherPanel()
    {
        for (const bool darkDesktop : {false, true}) {
            usePalette(darkDesktop);
            for (const int size : {16, 22, 24}) {
                const QImage hammer = render(SymbolIcons::symbol(u"hammer"_s), size, 1.0);
                QCOMPARE(hammer.size(), QSize(size, size));
                for (const QColor& panel : {nearBlackPanel, whitePanel})
                    QVERIFY2(standOutPercent(hammer, panel) >= 10,
                             qPrintable(u"%1 px, dark desktop %2, panel %3"_s.arg(size)
                                            .arg(darkDesktop)
                                            .arg(panel.name())));
            }
        }
    }

private:
    QPalette m_startPalette;
};

QTEST_MAIN(SymbolIconsTest)
#include "tst_symbolicons.moc"
