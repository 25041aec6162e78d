#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace tidewell {

class SystemTools;

// What the desktop does for the user: open a page or a folder, open a folder in a terminal or an
// editor, run a saved command in a new terminal window. Every call starts a program and returns at
// once; folders and commands reach that program as single arguments, never through an extra shell.
// A failure (no such program, or one that gives up at once) is written as one diagnostic line and
// given to `onFailure`, on the calling thread, for the window to show where the action was.
class Desktop
{
public:
    using Failure = std::function<void(const QString& reason)>;

    virtual ~Desktop() = default;

    // A web or mailto address, with the user's default handler.
    virtual void openUrl(const QUrl& url, Failure onFailure = {}) = 0;
    // The folder in the file browser.
    virtual void openFolder(const QString& folder, Failure onFailure = {}) = 0;
    // The folder in one of the applications the actions name: "Terminal", "Visual Studio Code"
    // or "Cursor".
    virtual void openWithApplication(const QString& applicationName, const QString& folder,
                                     Failure onFailure = {}) = 0;
    // A new terminal window that changes into the folder and runs the command line there.
    virtual void runInNewTerminal(const QString& folder, const QString& commandLine,
                                  Failure onFailure = {}) = 0;
    // Which of the editors the actions name ("Visual Studio Code", "Cursor") are installed. Blocks
    // while it looks: call it off the interface thread.
    virtual QStringList installedEditors() = 0;
    // Whether the desktop has a real handler for the file, not a fallback that would show an
    // unknown file as text. Blocks while it asks: call it off the interface thread.
    virtual bool hasOpenerFor(const QString& path) = 0;

    // The implementation for this host.
    static std::shared_ptr<Desktop> create(std::shared_ptr<SystemTools> tools);
};

} // namespace tidewell
