// Fuzz target: TDecompressStream on a memory source, read in pieces of byte 0's size, with the
// source cut in two volumes at byte 1's share; reads must stay within the output limit and the
// source must end up within its bounds.
#include <cstdlib>
#include <vector>

#include "zip/kvoDecompressStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace riviza::zip;
  if (size < 2) return 0;
  const size_t piece = 1 + data[0] * 263;
  const size_t cut = (size - 2) * data[1] / 255;
  TCustomMemoryStream32 first(data + 2, cut);
  TCustomMemoryStream32 second(data + 2 + cut, size - 2 - cut);
  auto created = TDecompressStream::Create(first, -15);
  if (!created) std::abort();
  TDecompressStream& s = *created.value();
  constexpr uint64_t kLimit = 1 << 20;
  s.SetOutputLimit(kLimit);
  std::vector<uint8_t> buffer(piece);
  bool switched = false;
  for (int rounds = 0; rounds < 100000; ++rounds) {
    auto got = s.Read(buffer.data(), buffer.size());
    if (!got) break;
    if (*got > piece || s.TotalOut() > kLimit + 1) std::abort();
    if (*got == 0) {
      if (s.LastStatus() != kZBufError || switched) break;
      s.ContinueFrom(second);
      switched = true;
    }
  }
  if (!s.Release()) std::abort();
  return 0;
}
