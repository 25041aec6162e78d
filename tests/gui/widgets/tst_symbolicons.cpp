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

constexpr qreal ratio = 2.0;
const QColor darkInk(0x1d, 0x1d, 0x1f);
const QColor lightInk(0xf2, 0xf2, 0xf2);
const QColor whitePanel(0xff, 0xff, 0xff);
const QColor nearBlackPanel(0x1c, 0x1c, 0x1e);
const QString resourcesDir = QStringLiteral(TIDEWELL_RESOURCES_DIR);

// A light desktop has dark text on a light window, a dark one the reverse.
void usePalette(const QColor& text, const QColor& window)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    QGuiApplication::setPalette(palette);
}

QImage render(const QIcon& icon, int size = 24, qreal pixelRatio = ratio, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), pixelRatio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

double luminance(QRgb pixel)
{
    return (0.2126 * qRed(pixel) + 0.7152 * qGreen(pixel) + 0.0722 * qBlue(pixel)) / 255.0;
}

// Shares of the picture, and the look of its solid pixels: the ink, not its antialiased edge.
struct Ink
{
    int drawn = 0, opaque = 0, solid = 0, total = 0, colours = 0;
    double luminance = -1, saturation = 0;
};

Ink inkOf(const QImage& image)
{
    Ink ink;
    double luminanceSum = 0, saturationSum = 0;
    QHash<int, int> buckets; // colours in coarse steps
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            ++ink.total;
            ink.drawn += colour.alpha() > 0 ? 1 : 0;
            ink.opaque += colour.alpha() == 255 ? 1 : 0;
            if (colour.alpha() < 250)
                continue;
            ++ink.solid;
            luminanceSum += luminance(colour.rgb());
            saturationSum += colour.hsvSaturationF();
            ++buckets[(colour.red() / 48) * 100 + (colour.green() / 48) * 10 + colour.blue() / 48];
        }
    }
    if (ink.solid > 0) {
        ink.luminance = luminanceSum / ink.solid;
        ink.saturation = saturationSum / ink.solid;
    }
    for (const int count : std::as_const(buckets))
        ink.colours += count * 25 >= ink.solid ? 1 : 0; // at least 4% of the drawing
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
    void initTestCase();
    void cleanup();
    void shippedDrawingsMatchTheNames();
    void iconIsSharpAndReadable_data();
    void iconIsSharpAndReadable();
    void unknownNamesGiveNullIcons_data();
    void unknownNamesGiveNullIcons();
    void themeIconsWinWhereTheyFit();
    void trayHammerStandsOutOnEitherPanel_data();
    void trayHammerStandsOutOnEitherPanel();

private:
    QPalette m_startPalette;
};

void SymbolIconsTest::initTestCase()
{
    // Our own drawings on every machine; the theme path is tested on a theme made here.
    qputenv("TIDEWELL_BUNDLED_ICONS", "1");
    m_startPalette = QGuiApplication::palette();
}

void SymbolIconsTest::cleanup()
{
    QGuiApplication::setPalette(m_startPalette);
}

// A drawing in the folder but missing from the .qrc or from the name lists would never be shown.
void SymbolIconsTest::shippedDrawingsMatchTheNames()
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

void SymbolIconsTest::iconIsSharpAndReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isSymbol");
    QTest::addColumn<int>("colours");
    for (const QString& name : SymbolIcons::symbolNames())
        QTest::newRow(qPrintable(name)) << name << true << 1;
    // React's mark is one colour; every other mark has at least two.
    for (const QString& name : SymbolIcons::assetNames())
        QTest::newRow(qPrintable(name)) << name << false << (name == "react"_L1 ? 1 : 2);
}

void SymbolIconsTest::iconIsSharpAndReadable()
{
    QFETCH(QString, name);
    QFETCH(bool, isSymbol);
    QFETCH(int, colours);
    const QIcon icon = isSymbol ? SymbolIcons::symbol(name) : SymbolIcons::asset(name);
    QVERIFY(!icon.isNull());
    usePalette(lightInk, nearBlackPanel);
    const QImage onDark = render(icon);
    usePalette(darkInk, whitePanel);
    const QImage onLight = render(icon);
    // Drawn at the device size, not a 24 px picture blown up.
    QCOMPARE(onLight.size(), QSize(48, 48));
    QCOMPARE(onLight.devicePixelRatio(), ratio);
    QCOMPARE_GE(standOutPercent(onLight, whitePanel), 5);
    QCOMPARE_GE(standOutPercent(onDark, nearBlackPanel), 5);

    const Ink ink = inkOf(onLight);
    if (!isSymbol) {
        QCOMPARE(onDark, onLight);
        QCOMPARE_GE(ink.drawn * 100, ink.total * 10);
        QCOMPARE_LT(ink.opaque, ink.total);
        QCOMPARE_GE(ink.colours, colours);
        // A one-colour mark still has a colour of its own, not the text grey.
        if (colours == 1)
            QCOMPARE_GT(ink.saturation, 0.4);
        return;
    }
    QCOMPARE_GE(ink.drawn * 100, ink.total * 5);
    QCOMPARE_GE(ink.opaque * 100, ink.total * 2);
    QCOMPARE_LE(ink.opaque * 100, ink.total * 70);
    QCOMPARE_GE(ink.luminance, 0.0);
    QCOMPARE_LT(ink.luminance, 0.2);
    QCOMPARE_GT(inkOf(onDark).luminance, 0.8);
    const double disabled = inkOf(render(icon, 24, ratio, QIcon::Disabled)).luminance;
    QVERIFY2(disabled > 0.4 && disabled < 0.6, qPrintable(QString::number(disabled)));
    QCOMPARE_GT(inkOf(render(icon, 24, ratio, QIcon::Selected)).luminance, 0.95);
}

void SymbolIconsTest::unknownNamesGiveNullIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asSymbol");
    QTest::newRow("empty symbol") << QString() << true;
    QTest::newRow("empty asset") << QString() << false;
    QTest::newRow("made-up symbol") << u"no.such.symbol"_s << true;
    QTest::newRow("other case") << u"Trash"_s << true;
    QTest::newRow("asset asked as symbol") << u"nodejs"_s << true;
    QTest::newRow("symbol asked as asset") << u"hammer"_s << false;
    QTest::newRow("path out of the folder") << u"../assets/nodejs"_s << true;
    QTest::newRow("app icon as asset") << u"../tidewell"_s << false;
}

void SymbolIconsTest::unknownNamesGiveNullIcons()
{
    QFETCH(QString, name);
    QFETCH(bool, asSymbol);
    QVERIFY((asSymbol ? SymbolIcons::symbol(name) : SymbolIcons::asset(name)).isNull());
}

void SymbolIconsTest::themeIconsWinWhereTheyFit()
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

void SymbolIconsTest::trayHammerStandsOutOnEitherPanel_data()
{
    QTest::addColumn<bool>("darkDesktop");
    QTest::addColumn<bool>("darkPanel");
    QTest::addColumn<int>("size");
    for (const int size : {16, 22, 24}) {
        for (const bool darkDesktop : {false, true}) {
            for (const bool darkPanel : {false, true}) {
                QTest::addRow("%s desktop, %s panel, %d px", darkDesktop ? "dark" : "light",
                              darkPanel ? "dark" : "light", size)
                    << darkDesktop << darkPanel << size;
            }
        }
    }
}

// A panel the opposite shade of the desktop is common (dark bars on light themes); the rim must
// keep the outline visible there.
void SymbolIconsTest::trayHammerStandsOutOnEitherPanel()
{
    QFETCH(bool, darkDesktop);
    QFETCH(bool, darkPanel);
    QFETCH(int, size);
    usePalette(darkDesktop ? lightInk : darkInk, darkDesktop ? nearBlackPanel : whitePanel);
    const QImage hammer = render(SymbolIcons::symbol(u"hammer"_s), size, 1.0);
    QCOMPARE(hammer.size(), QSize(size, size));
    QCOMPARE_GE(standOutPercent(hammer, darkPanel ? nearBlackPanel : whitePanel), 10);
}

QTEST_MAIN(SymbolIconsTest)
#include "tst_symbolicons.moc"
