// Unreduce (zip layer): methods 2 to 5, PKWARE's reducing with compression factor 1 to 4
// (method - 1).
//
// The data open with 256 follower sets (byte values 255 down to 0: a 6-bit count, then that
// many bytes). Each byte then comes from the previous byte's set: a 1 bit (or an empty set) means
// a literal of 8 bits, a 0 bit an index into the set of as many bits as the set size needs. The
// byte 144 introduces a copy from the 4,096-byte window (144 then 0 is a literal 144). A follower
// count above 32 cannot index a 32-entry set and is refused as a bad block (25116); a copy from
// before the start of the output reads zeros, as the format defines (the DOS packer relied on it
// for files that begin with zeros). Decoding ends at the entry's declared size (the padding bits
// after the last byte could read as one more) or at the end of the data.
#pragma once

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::zip {

// factor: 1 to 4.
Status UnreduceEntry(TDecoderFrame& frame, unsigned factor);

}  // namespace riviza::zip
