#include "platform/commands/LsofListingSource.h"

#include "platform/SystemTools.h"

namespace tidewell {

LsofListingSource::LsofListingSource(std::shared_ptr<SystemTools> tools) : m_tools(std::move(tools)) {}

QList<ListeningSocket> LsofListingSource::listeningSockets()
{
    return parseLsofListing(m_tools->runAndRead(kShell, {QStringLiteral("-c"), kCommand}));
}

} // namespace tidewell
