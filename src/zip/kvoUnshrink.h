// Unshrink (zip layer): method 1, PKWARE's shrinking, a dynamic LZW with codes of 9 to 13 bits.
//
// Code 256 escapes: 256 then 1 widens the codes by one bit (up to 13), 256 then 2 clears every
// code of 257-8191 that is no other code's parent. New strings take the lowest free code; a code
// whose entry is free stands for the previous string followed by its own first byte. The code
// table (parent, byte) and the decode stack of 8,192 entries belong to one call. Faults: no first
// code, a first code above 255, a bad escape or a chain through a free entry are "Bad block"
// (25116); a chain longer than the stack is "Stack overflow" (25305), raised after the output so
// far was written. Decoding ends at the entry's declared size or at the end of the compressed
// data; a string that would go past the declared size fails with kZipBadData.
#pragma once

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::zip {

Status UnshrinkEntry(TDecoderFrame& frame);

}  // namespace riviza::zip
