#pragma once

#include <QWidget>

namespace tidewell {

// The program's window. For now it only names the program; the port list moves in here.
class AppWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AppWindow(QWidget* parent = nullptr);
};

} // namespace tidewell
