// The table-driven inflater (zip layer); see the header.
#include "zip/kvoInflate64.h"

#include "zip/kvoErrors.h"
#include "zip/kvoInflateEngine.h"

namespace riviza::zip {

using inflate::Format;
using inflate::InflateEngine;

Status InflateEntry(TDecoderFrame& frame, bool deflate64) {
  const unsigned windowBits = deflate64 ? 16 : 15;
  const size_t window = size_t{1} << windowBits;
  InflateEngine engine(deflate64 ? Format::Deflate64 : Format::Deflate, windowBits);
  std::span<const uint8_t> block;
  const uint8_t* in = nullptr;
  for (;;) {
    if (frame.cancelled()) return zipError(kZipUserCanceled);
    // One byte more than the entry may still have tells "exactly its size" from "more".
    const uint64_t allowed = frame.outputAllowed();
    const size_t maxOutput = allowed >= window ? window : static_cast<size_t>(allowed) + 1;
    const auto result = engine.run(in, block.data() + block.size(), maxOutput);
    if (const auto pending = engine.pending(); !pending.empty()) {
      RIVIZA_TRY(frame.write(pending));
      engine.take(pending.size());
    }
    switch (result) {
      case InflateEngine::Result::StreamEnd:
        return okStatus();
      case InflateEngine::Result::DataError:
        return zipError(kZipBadData, engine.message());
      case InflateEngine::Result::OutputFull:
        break;
      case InflateEngine::Result::NeedInput:
        block = frame.nextInput();
        in = block.data();
        if (block.empty()) {
          if (frame.cancelled()) return zipError(kZipUserCanceled);
          return zipError(kZipBadData, "the compressed data end before the last block");
        }
        break;
    }
  }
}

}  // namespace riviza::zip
