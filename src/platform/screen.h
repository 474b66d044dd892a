// The size of the screen the main window opens on (platform layer). The program sets it from
// the real screen at start; headless it is the design size of the main form, so nothing grows.
#pragma once

namespace riviza::platform {

struct ScreenSize {
  int width = 1200;
  int height = 800;
};

ScreenSize screenSize();
void setScreenSize(ScreenSize size);

}  // namespace riviza::platform
