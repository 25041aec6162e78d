#include "app/SymbolIcons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace tidewell;

namespace {

constexpr int side = 24;
constexpr qreal ratio = 2.0;
const QColor darkInk(0x1d, 0x1d, 0x1f);
const QColor lightInk(0xf2, 0xf2, 0xf2);
const QColor whitePanel(0xff, 0xff, 0xff);
const QColor nearBlackPanel(0x1c, 0x1c, 0x1e);

QString resourcesDir()
{
    return QStringLiteral(TIDEWELL_RESOURCES_DIR);
}

// A light desktop has dark text on a light window, a dark one the reverse.
QPalette paletteWith(const QColor& text, const QColor& window)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, window);
    return palette;
}

QImage render(const QIcon& icon, int size = side, qreal pixelRatio = ratio, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), pixelRatio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

double luminance(QRgb pixel)
{
    return (0.2126 * qRed(pixel) + 0.7152 * qGreen(pixel) + 0.0722 * qBlue(pixel)) / 255.0;
}

struct Coverage
{
    int drawn = 0;
    int opaque = 0;
    int total = 0;
};

Coverage coverageOf(const QImage& image)
{
    Coverage coverage;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            coverage.drawn += alpha > 0 ? 1 : 0;
            coverage.opaque += alpha == 255 ? 1 : 0;
            ++coverage.total;
        }
    }
    return coverage;
}

// Mean luminance of the fully drawn pixels: the ink, not its antialiased edge or a faint rim.
double inkLuminance(const QImage& image)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) >= 250) {
                sum += luminance(pixel);
                ++count;
            }
        }
    }
    return count == 0 ? -1.0 : sum / count;
}

double inkSaturation(const QImage& image)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() >= 250) {
                sum += colour.hsvSaturationF();
                ++count;
            }
        }
    }
    return count == 0 ? 0.0 : sum / count;
}

// Colours (in coarse steps) that each cover a visible share of the drawing.
int visibleColours(const QImage& image)
{
    QHash<int, int> buckets;
    int solid = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 250)
                continue;
            ++buckets[(qRed(pixel) / 48) * 100 + (qGreen(pixel) / 48) * 10 + qBlue(pixel) / 48];
            ++solid;
        }
    }
    int colours = 0;
    for (const int count : std::as_const(buckets))
        colours += count * 25 >= solid ? 1 : 0; // at least 4% of the drawing
    return colours;
}

// How many pixels of an icon laid on a panel differ clearly in brightness from the panel.
int standOutPixels(const QImage& icon, const QColor& panel)
{
    QImage onPanel(icon.size(), QImage::Format_ARGB32);
    onPanel.setDevicePixelRatio(icon.devicePixelRatio());
    onPanel.fill(panel);
    {
        QPainter painter(&onPanel);
        painter.drawImage(0, 0, icon);
    }
    const double panelLuminance = luminance(panel.rgb());
    int count = 0;
    for (int y = 0; y < onPanel.height(); ++y) {
        for (int x = 0; x < onPanel.width(); ++x)
            count += std::abs(luminance(onPanel.pixel(x, y)) - panelLuminance) > 0.3 ? 1 : 0;
    }
    return count;
}

QStringList qrcFiles(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList files;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("file"))
            files << xml.readElementText();
    }
    return files;
}

QStringList svgFilesIn(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
}

} // namespace

class SymbolIconsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void listsHoldEveryNameTheWindowUses_data();
    void listsHoldEveryNameTheWindowUses();
    void resourceListMatchesTheDrawings();
    void desktopEntryStartsTheProgramWithItsIcon();
    void symbolIsDrawnAtTwiceTheSize_data();
    void symbolIsDrawnAtTwiceTheSize();
    void symbolTakesThePaletteTextColour_data();
    void symbolTakesThePaletteTextColour();
    void disabledAndSelectedSymbolsUseTheirColours();
    void assetKeepsItsOwnColours_data();
    void assetKeepsItsOwnColours();
    void unknownNamesGiveNullIcons_data();
    void unknownNamesGiveNullIcons();
    void themeIconsWinWhereTheyFit();
    void trayHammerStandsOutOnEitherPanel_data();
    void trayHammerStandsOutOnEitherPanel();
    void everySymbolReadsOnLightAndDarkWindows();

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

void SymbolIconsTest::listsHoldEveryNameTheWindowUses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isSymbol");
    const char* symbols[] = {"hammer",
                             "trash",
                             "bolt",
                             "bolt.fill",
                             "folder",
                             "terminal",
                             "square.and.pencil",
                             "gearshape",
                             "cloud",
                             "cloud.fill",
                             "dot.radiowaves.left.and.right",
                             "arrow.down",
                             "xmark",
                             "doc.on.doc",
                             "play",
                             "ellipsis",
                             "arrow.triangle.2.circlepath",
                             "rectangle.portrait.and.arrow.forward",
                             "envelope",
                             "exclamationmark.bubble",
                             "bubble.right",
                             "person.2.fill",
                             "square.and.arrow.down"};
    for (const char* name : symbols)
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    const char* assets[] = {"bunjs", "nodejs", "vscode", "cursor", "python", "react", "nextjs", "storybook"};
    for (const char* name : assets)
        QTest::newRow(name) << QString::fromLatin1(name) << false;
}

void SymbolIconsTest::listsHoldEveryNameTheWindowUses()
{
    QFETCH(QString, name);
    QFETCH(bool, isSymbol);
    QCOMPARE(SymbolIcons::symbolNames().contains(name), isSymbol);
    QCOMPARE(SymbolIcons::assetNames().contains(name), !isSymbol);
}

void SymbolIconsTest::resourceListMatchesTheDrawings()
{
    const QStringList listed = qrcFiles(resourcesDir() + QStringLiteral("/tidewell.qrc"));
    QVERIFY(!listed.isEmpty());
    for (const QString& file : listed) {
        QVERIFY2(QFile::exists(resourcesDir() + u'/' + file), qPrintable(file));
        QVERIFY2(QFile::exists(QStringLiteral(":/icons/") + file), qPrintable(file));
    }

    QSet<QString> expected{QStringLiteral("tidewell.svg")};
    for (const QString& name : SymbolIcons::symbolNames())
        expected << QStringLiteral("symbols/%1.svg").arg(name);
    for (const QString& name : SymbolIcons::assetNames())
        expected << QStringLiteral("assets/%1.svg").arg(name);
    QCOMPARE(QSet<QString>(listed.cbegin(), listed.cend()), expected);
    QCOMPARE(listed.size(), expected.size());

    // A drawing added to the folder but to neither list would never be shipped.
    QSet<QString> onDisk{QStringLiteral("tidewell.svg")};
    for (const QString& file : svgFilesIn(resourcesDir() + QStringLiteral("/symbols")))
        onDisk << QStringLiteral("symbols/") + file;
    for (const QString& file : svgFilesIn(resourcesDir() + QStringLiteral("/assets")))
        onDisk << QStringLiteral("assets/") + file;
    QCOMPARE(onDisk, expected);
}

void SymbolIconsTest::desktopEntryStartsTheProgramWithItsIcon()
{
    QFile file(resourcesDir() + QStringLiteral("/tidewell.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QHash<QString, QString> entry;
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            entry.insert(line.left(equals), line.mid(equals + 1));
    }
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Tidewell"));
    QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("tidewell"));
    QCOMPARE(entry.value(QStringLiteral("Categories")), QStringLiteral("Development;Utility;"));
    const QString icon = entry.value(QStringLiteral("Icon"));
    QVERIFY(QFile::exists(QStringLiteral("%1/%2.svg").arg(resourcesDir(), icon)));
    const QImage appIcon = render(QIcon(QStringLiteral(":/icons/tidewell.svg")), 64, 1.0);
    QVERIFY(visibleColours(appIcon) >= 3);
}

void SymbolIconsTest::symbolIsDrawnAtTwiceTheSize_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : SymbolIcons::symbolNames())
        QTest::newRow(qPrintable(name)) << name;
}

void SymbolIconsTest::symbolIsDrawnAtTwiceTheSize()
{
    QFETCH(QString, name);
    const QIcon icon = SymbolIcons::symbol(name);
    QVERIFY(!icon.isNull());
    const QPixmap pixmap = icon.pixmap(QSize(side, side), ratio);
    QCOMPARE(pixmap.size(), QSize(48, 48));
    QCOMPARE(pixmap.devicePixelRatio(), ratio);
    const Coverage coverage = coverageOf(pixmap.toImage().convertToFormat(QImage::Format_ARGB32));
    QVERIFY2(coverage.drawn * 100 >= coverage.total * 5, qPrintable(QString::number(coverage.drawn)));
    QVERIFY2(coverage.opaque * 100 >= coverage.total * 2, qPrintable(QString::number(coverage.opaque)));
    QVERIFY2(coverage.opaque * 100 <= coverage.total * 70, qPrintable(QString::number(coverage.opaque)));
}

void SymbolIconsTest::symbolTakesThePaletteTextColour_data()
{
    symbolIsDrawnAtTwiceTheSize_data();
}

void SymbolIconsTest::symbolTakesThePaletteTextColour()
{
    QFETCH(QString, name);
    const QIcon icon = SymbolIcons::symbol(name);

    QGuiApplication::setPalette(paletteWith(darkInk, whitePanel));
    const double onLight = inkLuminance(render(icon));
    QGuiApplication::setPalette(paletteWith(lightInk, nearBlackPanel));
    const double onDark = inkLuminance(render(icon));

    QVERIFY2(onLight >= 0 && onLight < 0.2, qPrintable(QString::number(onLight)));
    QVERIFY2(onDark > 0.8, qPrintable(QString::number(onDark)));
}

void SymbolIconsTest::disabledAndSelectedSymbolsUseTheirColours()
{
    QPalette palette = paletteWith(darkInk, whitePanel);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    QGuiApplication::setPalette(palette);
    const QIcon icon = SymbolIcons::symbol(QStringLiteral("bolt.fill"));

    QVERIFY(inkLuminance(render(icon, side, ratio, QIcon::Normal)) < 0.2);
    const double disabled = inkLuminance(render(icon, side, ratio, QIcon::Disabled));
    QVERIFY2(disabled > 0.4 && disabled < 0.6, qPrintable(QString::number(disabled)));
    QVERIFY(inkLuminance(render(icon, side, ratio, QIcon::Selected)) > 0.95);
}

void SymbolIconsTest::assetKeepsItsOwnColours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("colours");
    // React's mark is one colour; every other mark has at least two.
    for (const QString& name : SymbolIcons::assetNames())
        QTest::newRow(qPrintable(name)) << name << (name == QLatin1String("react") ? 1 : 2);
}

void SymbolIconsTest::assetKeepsItsOwnColours()
{
    QFETCH(QString, name);
    QFETCH(int, colours);
    const QIcon icon = SymbolIcons::asset(name);
    QVERIFY(!icon.isNull());
    const QPixmap pixmap = icon.pixmap(QSize(side, side), ratio);
    QCOMPARE(pixmap.size(), QSize(48, 48));

    QGuiApplication::setPalette(paletteWith(darkInk, whitePanel));
    const QImage onLight = render(icon);
    QGuiApplication::setPalette(paletteWith(lightInk, nearBlackPanel));
    const QImage onDark = render(icon);
    QCOMPARE(onLight, onDark);

    const Coverage coverage = coverageOf(onLight);
    QVERIFY2(coverage.drawn * 100 >= coverage.total * 10, qPrintable(QString::number(coverage.drawn)));
    QVERIFY(coverage.opaque < coverage.total);
    const int seen = visibleColours(onLight);
    QVERIFY2(seen >= colours, qPrintable(QString::number(seen)));
    // A one-colour mark still has a colour of its own, not the text grey.
    if (colours == 1)
        QVERIFY2(inkSaturation(onLight) > 0.4, qPrintable(QString::number(inkSaturation(onLight))));
}

void SymbolIconsTest::unknownNamesGiveNullIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asSymbol");
    QTest::newRow("empty symbol") << QString() << true;
    QTest::newRow("empty asset") << QString() << false;
    QTest::newRow("made-up symbol") << QStringLiteral("no.such.symbol") << true;
    QTest::newRow("other case") << QStringLiteral("Trash") << true;
    QTest::newRow("asset asked as symbol") << QStringLiteral("nodejs") << true;
    QTest::newRow("symbol asked as asset") << QStringLiteral("hammer") << false;
    QTest::newRow("path out of the folder") << QStringLiteral("../assets/nodejs") << true;
    QTest::newRow("app icon as asset") << QStringLiteral("../tidewell") << false;
}

void SymbolIconsTest::unknownNamesGiveNullIcons()
{
    QFETCH(QString, name);
    QFETCH(bool, asSymbol);
    const QIcon icon = asSymbol ? SymbolIcons::symbol(name) : SymbolIcons::asset(name);
    QVERIFY(icon.isNull());
    QVERIFY(icon.pixmap(QSize(side, side)).isNull());
}

void SymbolIconsTest::themeIconsWinWhereTheyFit()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("probe/scalable")));
    QFile index(dir.filePath(QStringLiteral("probe/index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Probe\nDirectories=scalable\n\n"
                "[scalable]\nSize=24\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    // The theme has the first choice for the bin, only the second for settings, and a hammer that
    // must not replace the program's own.
    const QString source = resourcesDir() + QStringLiteral("/assets/react.svg");
    for (const char* name : {"user-trash", "preferences-system", "hammer"}) {
        QVERIFY(QFile::copy(source,
                            dir.filePath(QStringLiteral("probe/scalable/%1.svg").arg(QLatin1String(name)))));
    }

    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName(QStringLiteral("probe"));
    qunsetenv("TIDEWELL_BUNDLED_ICONS");

    const QString trash = SymbolIcons::symbol(QStringLiteral("trash")).name();
    const QString gear = SymbolIcons::symbol(QStringLiteral("gearshape")).name();
    const QIcon folder = SymbolIcons::symbol(QStringLiteral("folder"));
    const QIcon hammer = SymbolIcons::symbol(QStringLiteral("hammer"));

    qputenv("TIDEWELL_BUNDLED_ICONS", "1");
    const QString bundledTrash = SymbolIcons::symbol(QStringLiteral("trash")).name();
    QIcon::setThemeName(themeName);
    QIcon::setThemeSearchPaths(searchPaths);

    QCOMPARE(trash, QStringLiteral("user-trash"));
    QCOMPARE(gear, QStringLiteral("preferences-system"));
    QVERIFY(!folder.isNull());
    QCOMPARE(folder.name(), QString());
    QVERIFY(!hammer.isNull());
    QCOMPARE(hammer.name(), QString());
    QCOMPARE(bundledTrash, QString());
}

void SymbolIconsTest::trayHammerStandsOutOnEitherPanel_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QColor>("panel");
    QTest::addColumn<int>("size");
    for (const int size : {16, 22, 24}) {
        const QByteArray px = QByteArray::number(size) + " px";
        QTest::newRow("light desktop, light panel " + px) << darkInk << whitePanel << whitePanel << size;
        QTest::newRow("light desktop, dark panel " + px) << darkInk << whitePanel << nearBlackPanel << size;
        QTest::newRow("dark desktop, dark panel " + px)
            << lightInk << nearBlackPanel << nearBlackPanel << size;
        QTest::newRow("dark desktop, light panel " + px) << lightInk << nearBlackPanel << whitePanel << size;
    }
}

void SymbolIconsTest::trayHammerStandsOutOnEitherPanel()
{
    QFETCH(QColor, text);
    QFETCH(QColor, window);
    QFETCH(QColor, panel);
    QFETCH(int, size);
    QGuiApplication::setPalette(paletteWith(text, window));
    const QImage hammer = render(SymbolIcons::symbol(QStringLiteral("hammer")), size, 1.0);
    QCOMPARE(hammer.size(), QSize(size, size));
    // A panel the opposite shade of the desktop is common (dark bars on light themes); the rim
    // must keep the outline visible there.
    const int visible = standOutPixels(hammer, panel);
    QVERIFY2(visible * 100 >= size * size * 10, qPrintable(QString::number(visible)));
}

void SymbolIconsTest::everySymbolReadsOnLightAndDarkWindows()
{
    const QStringList symbols = SymbolIcons::symbolNames();
    const QStringList assets = SymbolIcons::assetNames();
    constexpr int cell = 40;
    const int columns = int(symbols.size() + assets.size());
    QImage sheet(QSize(columns * cell, 2 * cell) * ratio, QImage::Format_ARGB32);
    sheet.setDevicePixelRatio(ratio);
    QPainter painter(&sheet);
    QStringList unreadable;
    const QColor panels[] = {whitePanel, nearBlackPanel};
    const QColor inks[] = {darkInk, lightInk};
    for (int row = 0; row < 2; ++row) {
        QGuiApplication::setPalette(paletteWith(inks[row], panels[row]));
        painter.fillRect(QRect(0, row * cell, columns * cell, cell), panels[row]);
        for (int column = 0; column < columns; ++column) {
            const bool isSymbol = column < symbols.size();
            const QString name = isSymbol ? symbols.at(column) : assets.at(column - symbols.size());
            const QIcon icon = isSymbol ? SymbolIcons::symbol(name) : SymbolIcons::asset(name);
            const QImage drawn = render(icon);
            painter.drawImage(QPoint(column * cell + (cell - side) / 2, row * cell + (cell - side) / 2),
                              drawn);
            const int visible = standOutPixels(drawn, panels[row]);
            if (visible * 100 < drawn.width() * drawn.height() * 5)
                unreadable << QStringLiteral("%1 (row %2: %3)").arg(name).arg(row).arg(visible);
        }
    }
    painter.end();
    // Kept for a person to look at when asked for; nothing is written otherwise.
    const QString keep = qEnvironmentVariable("TIDEWELL_ICON_SHEET");
    if (!keep.isEmpty())
        QVERIFY(sheet.save(keep));
    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QStringLiteral(", "))));
}

QTEST_MAIN(SymbolIconsTest)
#include "tst_symbolicons.moc"
