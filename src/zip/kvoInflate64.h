// The table-driven inflater (zip layer): inflates one entry from the frame's input blocks, for
// method 9 (Deflate64: 64 KiB window, length code 285 as 3 + 16 extra bits, distance codes 30 and
// 31) and, when asked, method 8.
//
// It runs the inflate engine on the entry's compressed blocks and hands the output on in blocks
// of at most one window straight from the engine's window, so the window is the output buffer.
// Decoding ends with the final block; compressed bytes left after it are not read (a conforming
// entry has none). Bad data, compressed data that end before the final block, and output beyond
// the declared size or the extraction limit fail with kZipBadData and zlib's message; a failed
// write with the write operation's error; a cancel with kZipUserCanceled.
#pragma once

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::zip {

Status InflateEntry(TDecoderFrame& frame, bool deflate64);

}  // namespace riviza::zip
