#include "state/SearchWords.h"

#include <algorithm>

namespace tidewell {

SearchWords::SearchWords(const QString& text) : SearchWords(text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
{}

SearchWords::SearchWords(const QStringList& words)
{
    for (const QString& word : words) {
        const QString trimmed = word.trimmed();
        if (!trimmed.isEmpty())
            m_words.append(trimmed);
    }
}

bool SearchWords::matches(const QStringList& texts) const
{
    for (const QString& word : m_words) {
        const bool found = std::any_of(texts.cbegin(), texts.cend(), [&word](const QString& text) {
            return text.contains(word, Qt::CaseInsensitive);
        });
        if (!found)
            return false;
    }
    return true;
}

bool SearchWords::matches(const PortDataLike& entry) const
{
    return isEmpty() || matches(textsOf(entry));
}

QStringList SearchWords::textsOf(const PortDataLike& entry)
{
    QStringList texts{entry.port(), entry.processName()};
    if (const auto page = entry.htmlData())
        texts.append(page->title);
    if (const auto info = entry.processInfo())
        texts << info->cwd << info->cmd;
    return texts;
}

} // namespace tidewell
