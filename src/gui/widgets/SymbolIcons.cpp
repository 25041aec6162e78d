#include "gui/widgets/SymbolIcons.h"

#include "gui/widgets/SvgSymbolIconEngine.h"

#include <QFile>

// At global scope because Q_INIT_RESOURCE declares its function in the enclosing namespace, and the
// pictures live in a static library whose resource object the linker would otherwise drop.
static void registerTidewellResources()
{
    Q_INIT_RESOURCE(tidewell);
}

namespace tidewell {

namespace {

struct ThemeFit
{
    QLatin1String symbol;
    QLatin1String themeName;
};

// Freedesktop names whose meaning matches the symbol; where a symbol has several rows, the first
// one the theme has wins. The hammer is missing on purpose: it is the program's own mark.
constexpr ThemeFit themeFits[] = {
    {QLatin1String("trash"), QLatin1String("user-trash")},
    {QLatin1String("folder"), QLatin1String("folder")},
    {QLatin1String("terminal"), QLatin1String("utilities-terminal")},
    {QLatin1String("xmark"), QLatin1String("window-close")},
    {QLatin1String("doc.on.doc"), QLatin1String("edit-copy")},
    {QLatin1String("gearshape"), QLatin1String("configure")},
    {QLatin1String("gearshape"), QLatin1String("preferences-system")},
    {QLatin1String("play"), QLatin1String("media-playback-start")},
    {QLatin1String("arrow.down"), QLatin1String("go-down")},
    {QLatin1String("arrow.triangle.2.circlepath"), QLatin1String("view-refresh")},
    {QLatin1String("rectangle.portrait.and.arrow.forward"), QLatin1String("application-exit")},
    {QLatin1String("square.and.arrow.down"), QLatin1String("document-save")},
    {QLatin1String("envelope"), QLatin1String("mail-message-new")},
};

// Tests and screenshots need the same pictures on every desktop.
bool themeIconsWanted()
{
    return qEnvironmentVariableIntValue("TIDEWELL_BUNDLED_ICONS") != 1;
}

QIcon themeIconFor(const QString& symbol)
{
    for (const ThemeFit& fit : themeFits) {
        if (fit.symbol == symbol && QIcon::hasThemeIcon(fit.themeName))
            return QIcon::fromTheme(fit.themeName);
    }
    return {};
}

QIcon bundled(const QString& path, SvgSymbolIconEngine::Colouring colouring)
{
    registerTidewellResources();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QIcon(new SvgSymbolIconEngine(file.readAll(), colouring));
}

} // namespace

QIcon SymbolIcons::symbol(const QString& name)
{
    if (!symbolNames().contains(name))
        return {};
    if (themeIconsWanted()) {
        QIcon themed = themeIconFor(name);
        if (!themed.isNull())
            return themed;
    }
    return bundled(QStringLiteral(":/icons/symbols/%1.svg").arg(name),
                   SvgSymbolIconEngine::Colouring::palette);
}

QIcon SymbolIcons::asset(const QString& name)
{
    if (!assetNames().contains(name))
        return {};
    return bundled(QStringLiteral(":/icons/assets/%1.svg").arg(name),
                   SvgSymbolIconEngine::Colouring::asDrawn);
}

QStringList SymbolIcons::symbolNames()
{
    return {
        QStringLiteral("hammer"),
        QStringLiteral("trash"),
        QStringLiteral("bolt"),
        QStringLiteral("bolt.fill"),
        QStringLiteral("folder"),
        QStringLiteral("terminal"),
        QStringLiteral("square.and.pencil"),
        QStringLiteral("gearshape"),
        QStringLiteral("cloud"),
        QStringLiteral("cloud.fill"),
        QStringLiteral("dot.radiowaves.left.and.right"),
        QStringLiteral("arrow.down"),
        QStringLiteral("xmark"),
        QStringLiteral("doc.on.doc"),
        QStringLiteral("play"),
        QStringLiteral("ellipsis"),
        QStringLiteral("arrow.triangle.2.circlepath"),
        QStringLiteral("rectangle.portrait.and.arrow.forward"),
        QStringLiteral("envelope"),
        QStringLiteral("exclamationmark.bubble"),
        QStringLiteral("bubble.right"),
        QStringLiteral("person.2.fill"),
        QStringLiteral("square.and.arrow.down"),
        QStringLiteral("checkmark.circle.fill"),
        QStringLiteral("xmark.circle.fill"),
        QStringLiteral("clock"),
        QStringLiteral("hourglass"),
        QStringLiteral("slash.circle"),
    };
}

QStringList SymbolIcons::assetNames()
{
    return {
        QStringLiteral("bunjs"),  QStringLiteral("nodejs"),    QStringLiteral("vscode"),
        QStringLiteral("cursor"), QStringLiteral("python"),    QStringLiteral("react"),
        QStringLiteral("nextjs"), QStringLiteral("storybook"),
    };
}

} // namespace tidewell
