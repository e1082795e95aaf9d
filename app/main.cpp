// To understand Zarnic!, start reading zarnic::run() in app/application.cpp: it shows the splash
// window, which hands over to the first browser window (browser/browser_window.cpp).
#include "app/application.h"

int main(int argc, char** argv) {
    return zarnic::run(argc, argv);
}
