#pragma once

#include "app/main_window.h"

#include <QAction>
#include <QStringList>

namespace fangji::testing {

// The five top menus the lock protocol switches, in its order.
inline const QStringList kTopMenus = {"ZysjDl", "zycxll", "zyexit", "XtHelp", "xtwh"};

// The top menus of the main window that are enabled now, in the protocol's order.
inline QStringList enabledTopMenus(const app::MainWindow& w) {
    QStringList out;
    for (const QString& name : kTopMenus) {
        if (w.menuAction(name)->isEnabled()) {
            out << name;
        }
    }
    return out;
}

} // namespace fangji::testing
