#include "AppWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tidewell {

AppWindow::AppWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Tidewell"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Tidewell"), this));
    resize(360, 200);
}

} // namespace tidewell
