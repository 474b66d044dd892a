// Fuzz target: our stream inflater against zlib's inflate on raw deflate data. Byte 0 and 1 give
// the input and output piece sizes (0: all at once), the rest is the stream. Where zlib finishes,
// ours must finish with the same output and the same unused input; where zlib finds bad data,
// ours must fail; a truncated stream must not finish. Any disagreement aborts.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "zip/kvoInflate.h"

namespace {

constexpr size_t kOutputLimit = 1 << 18;

struct Outcome {
  int status;
  std::vector<uint8_t> output;
  size_t unused;
};

Outcome zlibRun(const uint8_t* data, size_t size) {
  Outcome r{Z_OK, std::vector<uint8_t>(kOutputLimit), 0};
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = r.output.data();
  z.avail_out = kOutputLimit;
  r.status = inflate(&z, Z_FINISH);
  r.output.resize(z.total_out);
  r.unused = z.avail_in;
  inflateEnd(&z);
  return r;
}

Outcome oursRun(const uint8_t* data, size_t size, size_t inPiece, size_t outPiece) {
  using namespace riviza::zip;
  Outcome r{kZOk, std::vector<uint8_t>(kOutputLimit), 0};
  TZStreamRec z;
  InflateInit2(z, -15);
  z.nextIn = data;
  size_t inUsed = 0;
  for (;;) {
    if (z.availIn == 0) z.availIn = static_cast<uint32_t>(std::min(inPiece ? inPiece : size, size - inUsed));
    const size_t outPos = z.totalOut;
    z.nextOut = r.output.data() + outPos;
    z.availOut = static_cast<uint32_t>(std::min(outPiece ? outPiece : kOutputLimit, kOutputLimit - outPos));
    const uint8_t* before = z.nextIn;
    r.status = Inflate(z, kZNoFlush);
    inUsed += static_cast<size_t>(z.nextIn - before);
    if (r.status != kZOk || z.totalOut == kOutputLimit) break;
  }
  r.output.resize(z.totalOut);
  r.unused = size - inUsed;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t inPiece = data[0] < 128 ? 0 : data[0] - 127;
  const size_t outPiece = data[1] < 128 ? 0 : (data[1] - 127) * 37;
  data += 2;
  size -= 2;
  const Outcome reference = zlibRun(data, size);
  const Outcome ours = oursRun(data, size, inPiece, outPiece);
  if (reference.output.size() == kOutputLimit || ours.output.size() == kOutputLimit) return 0;
  const bool zlibDone = reference.status == Z_STREAM_END;
  const bool oursDone = ours.status == riviza::zip::kZStreamEnd;
  if (zlibDone != oursDone) std::abort();
  if (zlibDone && (ours.output != reference.output || ours.unused != reference.unused)) std::abort();
  const size_t common = std::min(ours.output.size(), reference.output.size());
  if (!std::equal(ours.output.begin(), ours.output.begin() + static_cast<long>(common),
                  reference.output.begin()))
    std::abort();
  return 0;
}
