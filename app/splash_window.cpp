#include "app/splash_window.h"

namespace zarnic {

SplashWindow::SplashWindow() {}

} // namespace zarnic
