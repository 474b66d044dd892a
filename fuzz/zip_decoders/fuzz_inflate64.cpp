// Fuzz target: Deflate64 (and plain deflate by byte 0) through both inflaters of the engine, the
// frame-driven one of method 9 and the stream inflater fed in pieces: they must agree on the
// output and on success, and neither may go past the declared size.
#include <cstdlib>

#include "fuzz_support.h"
#include "zip/kvoInflate.h"
#include "zip/kvoInflate64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace riviza;
  fuzz::FrameInput in;
  if (!fuzz::splitFrameInput(data, size, in)) return 0;
  const bool deflate64 = (in.variant & 1) == 0;
  std::vector<uint8_t> framed;
  const Status status =
      fuzz::runFrame(in, 1 + (in.variant >> 1) * 131, framed,
                     [&](zip::TDecoderFrame& frame) { return zip::InflateEntry(frame, deflate64); });

  zip::TZStreamRec z;
  zip::InflateInit2(z, -15, deflate64);
  std::vector<uint8_t> streamed(in.declared + 1);
  z.nextIn = in.compressed.data();
  z.availIn = static_cast<uint32_t>(in.compressed.size());
  int rc = zip::kZOk;
  while (rc == zip::kZOk && z.totalOut < streamed.size()) {
    z.nextOut = streamed.data() + z.totalOut;
    z.availOut = static_cast<uint32_t>(std::min<uint64_t>(4099, streamed.size() - z.totalOut));
    rc = zip::Inflate(z, zip::kZNoFlush);
  }
  streamed.resize(z.totalOut);
  const bool streamOk = rc == zip::kZStreamEnd && streamed.size() <= in.declared;
  if (status.ok() != streamOk) std::abort();
  const size_t common = std::min(framed.size(), streamed.size());
  if (!std::equal(framed.begin(), framed.begin() + static_cast<long>(common), streamed.begin())) std::abort();
  if (status.ok() && framed != streamed) std::abort();
  return 0;
}
