#pragma once

#include "cli/CommandLineOptions.h"
#include "platform/Host.h"
#include "records/PortData.h"

#include <QHash>
#include <QJsonObject>
#include <cstdio>

namespace tidewell {

class DeploymentsFeed;

// `tidewell --list`: one scan with page probes and origin lookups, printed, then the exit code. As
// JSON, a server whose folder is linked to a Vercel project the account can see also carries its
// latest deployment, from the deployments feed it is given.
class ListCommand
{
public:
    // `deployments` is asked only for the JSON form; none adds nothing.
    ListCommand(const CommandLineOptions& options, Host host, DeploymentsFeed* deployments = nullptr);

    // Runs the event loop of the current QCoreApplication until the scan and its probes end.
    int run(std::FILE* out = stdout);

private:
    // What the JSON form adds to each listed entry whose folder is linked, by entry key: the project,
    // and the state and time of its latest deployment. Goes online, and waits for the replies.
    QHash<QString, QJsonObject> linkedDeployments(const QList<PortData>& entries) const;

    CommandLineOptions m_options;
    Host m_host;
    DeploymentsFeed* m_deployments;
};

} // namespace tidewell
