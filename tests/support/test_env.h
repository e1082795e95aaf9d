#pragma once
// What every test with windows runs in: the virtual X server ctest starts it on (xvfb-run), a
// throw-away HOME and XDG folders, no D-Bus session; and waiting for things without sleeping.

#include <functional>
#include <string>

namespace zarnic::test {

std::string home_dir(); // the throw-away HOME of this test process
void flush_events();    // runs pending events of the main loop without waiting
// Iterates the main loop until pred() holds or timeout_ms passes; returns pred()'s last value.
bool run_until(const std::function<bool()>& pred, int timeout_ms = 10000);
void run_for(int ms); // iterates the main loop for ms milliseconds

} // namespace zarnic::test
