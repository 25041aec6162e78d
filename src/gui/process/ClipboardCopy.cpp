#include "gui/process/ClipboardCopy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tidewell {

void copyToClipboard(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace tidewell
