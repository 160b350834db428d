#pragma once

#include <functional>

// Waits until `done` holds. On the application's main thread it keeps handling events meanwhile, so a
// worker that waits for the main thread (a blocking call into the window) can still finish.
void waitHandlingEvents(const std::function<bool()>& done);
