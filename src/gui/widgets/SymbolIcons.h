#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace tidewell {

// The window's pictures by name. Symbols ("trash", "bolt.fill", "gearshape") come from the
// desktop's icon theme where one fits and from our own drawings otherwise; image assets
// ("nodejs", "react") are always ours.
class SymbolIcons
{
public:
    static QIcon symbol(const QString& name);
    static QIcon asset(const QString& name);

    static QStringList symbolNames();
    static QStringList assetNames();
};

} // namespace tidewell
