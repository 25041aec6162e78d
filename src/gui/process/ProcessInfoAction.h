#pragma once

#include "gui/process/AppServices.h"

#include <QWidget>
#include <memory>

namespace tidewell {

class RemoteMachine;

// The action bar heading a popover: save as quick launch, open the folder in the file browser,
// in a terminal, or in one of two editors. Empty for an entry whose origin is unknown. A remote
// machine's folder is not here: its server offers only a terminal, logged in there by ssh.
class ProcessInfoAction : public QWidget
{
    Q_OBJECT
public:
    ProcessInfoAction(std::shared_ptr<const PortDataLike> port, bool hideAddToQuickSave,
                      const AppServices* services, RemoteMachine* machine = nullptr,
                      QWidget* parent = nullptr);

private:
    std::shared_ptr<const PortDataLike> m_port;
    const AppServices* m_services;
};

} // namespace tidewell
