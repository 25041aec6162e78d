#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace tidewell {

// Finds programs the way a shell would, in a given environment: the seam that lets tests point the
// desktop at a folder of stand-in programs.
class ProgramLookup
{
public:
    explicit ProgramLookup(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    // The absolute path of an executable: a name is looked up on the environment's PATH, a text
    // with a slash is taken as a path. Empty when there is none.
    QString findExecutable(const QString& nameOrPath) const;
    // A variable of the environment; empty when unset.
    QString value(const QString& name) const;

private:
    QProcessEnvironment m_environment;
};

} // namespace tidewell
