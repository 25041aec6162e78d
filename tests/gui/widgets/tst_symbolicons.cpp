#include "gui/widgets/ColorSchemePalette.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/StandardWidgets.h"
#include "gui/widgets/SymbolIcons.h"
#include "gui/widgets/TabButton.h"
#include "gui/widgets/ToggleSwitch.h"
#include "support/TestProcesses.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

const QColor whitePanel(0xff, 0xff, 0xff);
const QColor nearBlackPanel(0x1c, 0x1c, 0x1e);
const QString resourcesDir = QStringLiteral(TIDEWELL_RESOURCES_DIR);

// A light desktop has dark text on a light window, a dark one the reverse.
void usePalette(bool dark)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::WindowText, dark ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1d, 0x1d, 0x1f));
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

// How many of the pixels within `size` pass `test(x, y)`.
int countPixels(const QSize& size, const std::function<bool(int, int)>& test)
{
    int count = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            count += test(x, y) ? 1 : 0;
    }
    return count;
}

// The mean luminance of the solid pixels: the ink, not its antialiased edge.
double inkLuminance(const QImage& image)
{
    double sum = 0;
    const int solid = countPixels(image.size(), [&](int x, int y) {
        sum += qAlpha(image.pixel(x, y)) >= 250 ? luminance(image.pixel(x, y)) : 0;
        return qAlpha(image.pixel(x, y)) >= 250;
    });
    return solid > 0 ? sum / solid : -1;
}

// Percent of the pixels of an icon laid on a panel that differ clearly in brightness from it.
int standOutPercent(const QImage& icon, const QColor& panel)
{
    QImage onPanel(icon.size(), QImage::Format_ARGB32);
    onPanel.setDevicePixelRatio(icon.devicePixelRatio());
    onPanel.fill(panel);
    QPainter(&onPanel).drawImage(0, 0, icon);
    return countPixels(onPanel.size(),
                       [&](int x, int y) {
                           return std::abs(luminance(onPanel.pixel(x, y)) - luminance(panel.rgb())) > 0.3;
                       }) *
           100 / (onPanel.width() * onPanel.height());
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
    void cleanup() { QApplication::setPalette(m_startPalette); }
    void initTestCase()
    {
        qputenv("TIDEWELL_BUNDLED_ICONS", "1"); // the theme path is tested on a theme made here
        m_startPalette = QGuiApplication::palette();
    }

    // A drawing in the folder but missing from the .qrc or from the name lists would never be shown.
    void shippedDrawingsMatchTheNames()
    {
        QVERIFY(!SymbolIcons::symbol(u"hammer"_s).isNull()); // loads the resources
        QStringList expected{u"tidewell.svg"_s};
        for (const QString& name : SymbolIcons::symbolNames() + SymbolIcons::assetNames())
            expected << (SymbolIcons::assetNames().contains(name) ? u"assets/%1.svg"_s : u"symbols/%1.svg"_s)
                            .arg(name);
        expected.sort();
        QCOMPARE(drawingsUnder(resourcesDir), expected);
        QCOMPARE(drawingsUnder(u":/icons"_s), expected);
    }

    void iconIsSharpAndReadable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("asset"); // drawn in its own colours; a symbol takes the text colour
        for (const QString& name : SymbolIcons::symbolNames() + SymbolIcons::assetNames())
            QTest::newRow(qPrintable(name)) << name << SymbolIcons::assetNames().contains(name);
    }

    void iconIsSharpAndReadable()
    {
        QFETCH(QString, name);
        QFETCH(bool, asset);
        const QIcon icon = asset ? SymbolIcons::asset(name) : SymbolIcons::symbol(name);
        QVERIFY(!icon.isNull());
        usePalette(true);
        const QImage onDark = render(icon);
        usePalette(false);
        const QImage onLight = render(icon);
        QCOMPARE(onLight.size(), QSize(48, 48)); // drawn at the device size, not 24 px blown up
        QCOMPARE_GE(standOutPercent(onLight, whitePanel), 5);
        QCOMPARE_GE(standOutPercent(onDark, nearBlackPanel), 5);
        if (asset) {
            QCOMPARE(onDark, onLight);
            return;
        }
        const double ink = inkLuminance(onLight);
        QVERIFY(ink >= 0 && ink < 0.2);
        QCOMPARE_GT(inkLuminance(onDark), 0.8);
        const double disabled = inkLuminance(render(icon, 24, 2.0, QIcon::Disabled));
        QVERIFY2(disabled > 0.4 && disabled < 0.6, qPrintable(QString::number(disabled)));
        QCOMPARE_GT(inkLuminance(render(icon, 24, 2.0, QIcon::Selected)), 0.95);
    }

    // The keyboard's place is seen in either scheme: a focused control or the highlighted row changes
    // a ring of pixels clearly, not a faint shade.
    void keyboardFocusIsSeen_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("control");
        for (const bool dark : {false, true}) {
            for (const char* control :
                 {"tab button", "switch off", "switch on", "symbol button", "highlighted row"})
                QTest::addRow("%s, %s", dark ? "dark" : "light", control)
                    << dark << QString::fromLatin1(control);
        }
    }

    void keyboardFocusIsSeen()
    {
        QFETCH(bool, dark);
        QFETCH(QString, control);
        QApplication::setPalette(ColorSchemePalette::paletteFor(
            dark ? DesktopAppearance::ColorScheme::dark : DesktopAppearance::ColorScheme::light));
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QToolButton(&window); // holds the focus while the control has none
        layout->addWidget(other);
        QWidget* widget = nullptr;
        RowHoverLook* cursor = nullptr;
        if (control == u"tab button"_s) {
            widget = new TabButton(u"cloud"_s, QColor(255, 149, 0), &window);
        } else if (control.startsWith(u"switch"_s)) {
            auto* toggle = new ToggleSwitch(&window);
            toggle->setChecked(control == u"switch on"_s);
            widget = toggle;
        } else if (control == u"symbol button"_s) {
            widget = makeSymbolButton("trash", u"Stop"_s, &window);
        } else {
            widget = new QWidget(&window);
            widget->setFixedSize(300, 60);
            cursor = new RowHoverLook(widget, 60);
        }
        widget->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(widget);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(other->hasFocus());
        // The control as seen on its window, background and all.
        auto seen = [&window, widget] { return window.grab(widget->geometry()).toImage(); };
        const QImage before = seen();
        if (cursor) {
            cursor->setHighlighted(true);
            QTRY_COMPARE(cursor->hoverProgress(), 1.0);
        } else {
            widget->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(widget->hasFocus());
        }
        const QImage after = seen();
        const int changed = countPixels(before.size().boundedTo(after.size()), [&](int x, int y) {
            return std::abs(luminance(before.pixel(x, y)) - luminance(after.pixel(x, y))) > 0.25;
        });
        QCOMPARE_GE(changed, 40); // a ring one pixel wide round a small control is some 40 pixels
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
        QVERIFY(writeFile(dir.filePath(u"probe/index.theme"_s),
                          "[Icon Theme]\nName=Probe\nDirectories=scalable\n\n"
                          "[scalable]\nSize=24\nMinSize=8\nMaxSize=512\nType=Scalable\n"));
        // The theme has the first choice for the bin, only the second for settings, and a hammer that
        // must not replace the program's own.
        for (const char* name : {"user-trash", "preferences-system", "hammer"}) {
            QVERIFY(QFile::copy(resourcesDir + u"/assets/react.svg"_s,
                                dir.filePath(u"probe/scalable/%1.svg"_s.arg(QLatin1String(name)))));
        }
        // The later cases draw the program's own icons again, even after a failed check here.
        const auto bundled = qScopeGuard([] { qputenv("TIDEWELL_BUNDLED_ICONS", "1"); });
        QIcon::setThemeSearchPaths({dir.path()});
        QIcon::setThemeName(u"probe"_s);
        qunsetenv("TIDEWELL_BUNDLED_ICONS");
        QCOMPARE(SymbolIcons::symbol(u"trash"_s).name(), u"user-trash"_s);
        QCOMPARE(SymbolIcons::symbol(u"gearshape"_s).name(), u"preferences-system"_s);
        for (const QString& own : {u"folder"_s, u"hammer"_s})
            QVERIFY2(!SymbolIcons::symbol(own).isNull() && SymbolIcons::symbol(own).name().isEmpty(),
                     qPrintable(own));
        qputenv("TIDEWELL_BUNDLED_ICONS", "1");
        QCOMPARE(SymbolIcons::symbol(u"trash"_s).name(), QString());
    }

    // A panel the opposite shade of the desktop is common (dark bars on light themes); the rim must
    // keep the outline visible there, down to the smallest tray size.
    void trayHammerStandsOutOnEitherPanel()
    {
        for (const bool darkDesktop : {false, true}) {
            usePalette(darkDesktop);
            const QImage hammer = render(SymbolIcons::symbol(u"hammer"_s), 16, 1.0);
            QCOMPARE(hammer.size(), QSize(16, 16));
            QCOMPARE_GE(standOutPercent(hammer, nearBlackPanel), 10);
            QCOMPARE_GE(standOutPercent(hammer, whitePanel), 10);
            // Light on a dark desktop, whose panels are dark too; dark on a light one.
            if (darkDesktop)
                QCOMPARE_GT(inkLuminance(hammer), 0.7);
            else
                QCOMPARE_LT(inkLuminance(hammer), 0.3);
        }
    }

private:
    QPalette m_startPalette;
};

QTEST_MAIN(SymbolIconsTest)
#include "tst_symbolicons.moc"
