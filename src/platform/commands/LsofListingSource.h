#pragma once

#include "platform/ListeningSocketSource.h"

#include <memory>

namespace tidewell {

class SystemTools;

// The listing read from lsof run through zsh.
class LsofListingSource : public ListeningSocketSource
{
public:
    static inline const QString kShell = QStringLiteral("/bin/zsh");
    static inline const QString kCommand = QStringLiteral("lsof -iTCP -sTCP:LISTEN -n -P");

    explicit LsofListingSource(std::shared_ptr<SystemTools> tools);
    QList<ListeningSocket> listeningSockets() override;

private:
    std::shared_ptr<SystemTools> m_tools;
};

} // namespace tidewell
