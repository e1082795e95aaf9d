#include "browser/browser_window.h"

namespace zarnic {

BrowserWindow::BrowserWindow() {}

void BrowserWindow::Load() {
    loaded_ = true;
    show();
}

} // namespace zarnic
