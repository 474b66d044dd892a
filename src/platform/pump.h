// "Let pending messages run": the one hook through which long work keeps the window alive.
//
// The platform layer cannot know the user interface; the program installs the real pump (Qt's
// event processing) at start. Headless, and in tests, the pump does nothing unless a test
// installs one to count calls or to act between steps.
#pragma once

#include <functional>

namespace riviza::platform {

void processMessages();
// Installs the pump; an empty function restores the headless no-op.
void setMessagePump(std::function<void()> pump);

}  // namespace riviza::platform
