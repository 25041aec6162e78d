#pragma once

#include "platform/Desktop.h"
#include "records/ProjectObject.h"

#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

namespace tidewell {

// The part of a server's details that tells where its folder's project is deployed: the Vercel
// project's name, the state of its latest deployment, how long ago it was made, its commit, and a
// button to the project's deployments page when that page is known.
class LinkedDeploymentPanel : public QWidget
{
    Q_OBJECT
public:
    LinkedDeploymentPanel(const ProjectObject& project, const std::optional<QUrl>& deploymentsPage,
                          std::shared_ptr<Desktop> desktop, QWidget* parent = nullptr);
};

} // namespace tidewell
