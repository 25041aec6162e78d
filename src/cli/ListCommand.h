#pragma once

#include "cli/CommandLineOptions.h"
#include "platform/Host.h"
#include "records/PortData.h"

#include <QHash>
#include <QJsonObject>
#include <cstdio>
#include <functional>

namespace tidewell {

// `tidewell --list`: one scan with page probes and origin lookups, printed, then the exit code. As
// JSON, a server whose folder is linked to a Vercel project the account can see also carries its
// latest deployment, from the lookup it is given.
class ListCommand
{
public:
    // What the JSON form adds to each listed entry, by entry key (ListedDeployments::lookUp).
    using DeploymentLookup = std::function<QHash<QString, QJsonObject>(const QList<PortData>&)>;

    // `deployments` is asked only for the JSON form.
    ListCommand(const CommandLineOptions& options, Host host, DeploymentLookup deployments = {});

    // Runs the event loop of the current QCoreApplication until the scan and its probes end.
    int run(std::FILE* out = stdout);

private:
    CommandLineOptions m_options;
    Host m_host;
    DeploymentLookup m_deployments;
};

} // namespace tidewell
