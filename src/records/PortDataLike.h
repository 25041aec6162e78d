#pragma once

#include "records/HTMLData.h"
#include "records/ProcessInfo.h"

#include <QString>
#include <optional>

namespace tidewell {

// What a running port and a saved quick-launch item have in common, so that rows and actions
// can show and act on either one.
class PortDataLike
{
public:
    virtual ~PortDataLike() = default;

    virtual QString processName() const = 0;
    virtual QString port() const = 0;
    virtual QString pid() const = 0;
    virtual std::optional<HTMLData> htmlData() const = 0;
    virtual void setHtmlData(const std::optional<HTMLData>& data) = 0;
    virtual std::optional<ProcessInfo> processInfo() const = 0;
    virtual void setProcessInfo(const std::optional<ProcessInfo>& info) = 0;
};

} // namespace tidewell
