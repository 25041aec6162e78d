#pragma once

#include "gui/shell/AppMenu.h"

namespace tidewell {

// The one way tests reach inside the menu window, declared as its friend: the refresh tick, whose
// state says whether the window still refreshes.
struct AppMenuTestSeam
{
    static QTimer& refreshTimer(AppMenu& menu) { return menu.m_timer; }
};

} // namespace tidewell
