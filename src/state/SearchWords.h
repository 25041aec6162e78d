#pragma once

#include "records/PortDataLike.h"

#include <QString>
#include <QStringList>

namespace tidewell {

// The words a user typed to find a server: a row stays when every word occurs, in any letter case,
// in one of its texts (port, title, process name, folder, command).
class SearchWords
{
public:
    SearchWords() = default;
    explicit SearchWords(const QString& text);
    explicit SearchWords(const QStringList& words);

    bool isEmpty() const { return m_words.isEmpty(); }
    bool matches(const QStringList& texts) const;
    bool matches(const PortDataLike& entry) const;

    // What a listed server can be found by.
    static QStringList textsOf(const PortDataLike& entry);

private:
    QStringList m_words;
};

} // namespace tidewell
