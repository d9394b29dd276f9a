// SPDX-License-Identifier: MIT
// The module's windows need a Qt application object. A host that runs Qt keeps its own;
// for any other host (a plain command-line program) the module makes one on first need
// and keeps it for the life of the process: the module is never unloaded, and Qt cannot
// make a second application after the first was destroyed.
#pragma once

class QApplication;

namespace nelvo {

// The running QApplication, made now when there is none. Throws std::runtime_error when
// the host runs a Qt core application without widgets, in which no window can be shown,
// or when there is no display (no QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY), where
// Qt would end the process.
QApplication& ensureApplication();

}  // namespace nelvo
