#include "platform/screen.h"

namespace riviza::platform {
namespace {
ScreenSize gScreen;
}
ScreenSize screenSize() { return gScreen; }
void setScreenSize(ScreenSize size) { gScreen = size; }
}  // namespace riviza::platform
