// Fuzz target of one legacy decoder, chosen at build time (FUZZ_UNSHRINK, FUZZ_UNREDUCE,
// FUZZ_EXPLODE): any input must decode or fail cleanly, never past the declared size.
#include "fuzz_support.h"
#include "zip/kvoExplode.h"
#include "zip/kvoUnreduce.h"
#include "zip/kvoUnshrink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace riviza;
  fuzz::FrameInput in;
  if (!fuzz::splitFrameInput(data, size, in)) return 0;
  std::vector<uint8_t> out;
  const size_t piece = 1 + (in.variant >> 4) * 977;
  static_cast<void>(fuzz::runFrame(in, piece, out, [&](zip::TDecoderFrame& frame) {
#if defined(FUZZ_UNSHRINK)
    return zip::UnshrinkEntry(frame);
#elif defined(FUZZ_UNREDUCE)
    return zip::UnreduceEntry(frame, 1 + (in.variant & 3));
#else
    return zip::ExplodeEntry(frame, static_cast<uint16_t>(in.variant & 6));
#endif
  }));
  return 0;
}
