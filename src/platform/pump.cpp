#include "platform/pump.h"

namespace riviza::platform {
namespace {
std::function<void()>& pumpSlot() {
  static std::function<void()> pump;
  return pump;
}
}  // namespace

void processMessages() {
  if (auto& p = pumpSlot()) p();
}

void setMessagePump(std::function<void()> pump) { pumpSlot() = std::move(pump); }

}  // namespace riviza::platform
