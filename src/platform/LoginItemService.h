#pragma once

#include "records/Result.h"

#include <QString>
#include <memory>
#include <variant>

namespace tidewell {

// The user's login item that starts the companion program tidewell-helper at each login: its
// status, and registering or unregistering it. Calls read or write one small file and return at
// once; one object is used from one thread.
class LoginItemService
{
public:
    // What the service reports, by number; the settings page names each one.
    enum Status : int
    {
        notRegistered = 0,
        enabled = 1,
        requiresApproval = 2,
        notFound = 3
    };
    // Success carries nothing; a failure says why, and leaves the registration as it was.
    using Change = Result<std::monostate>;

    static inline const QString kIdentifier = QStringLiteral("com.orvane.Tidewell-Helper");

    virtual ~LoginItemService() = default;

    virtual int status() const = 0;
    virtual Change registerLoginItem() = 0;
    virtual Change unregisterLoginItem() = 0;

    // The implementation for this host, for the main program whose executable is in
    // `mainProgramDir`.
    static std::unique_ptr<LoginItemService> create(const QString& mainProgramDir);
};

} // namespace tidewell
