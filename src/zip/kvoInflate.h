// The stream inflater (zip layer): the engine's own inflate behind the interface of zlib's,
// for TDecompressStream and any caller that drives inflate by input and output pieces.
//
// The stream record carries the input and output pieces and the running totals as zlib's does;
// the decoder state is owned by the record (InflateInit2 creates it, InflateEnd frees it, the
// record's destructor frees it too). Status codes and messages are zlib's. Window bits: negative
// means raw deflate (the zip case, -15), positive a zlib stream with its two-byte header and
// Adler-32 trailer; the magnitude is 8..15, and with the Deflate64 switch it is raised by one
// (so -15 gives the 64 KiB window). The switch is a parameter of the stream: each stream decodes
// one format with that format's own tables. Output is never held back between calls: when Inflate
// returns, everything decoded is in the caller's buffer.
//
// State diagram: no state -> InflateInit2 -> decoding -> (end of stream) finished | (bad data) failed;
// InflateReset returns to decoding at a new stream; InflateEnd -> no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace riviza::zip {

// zlib's status codes.
inline constexpr int kZOk = 0;
inline constexpr int kZStreamEnd = 1;
inline constexpr int kZNeedDict = 2;
inline constexpr int kZStreamError = -2;
inline constexpr int kZDataError = -3;
inline constexpr int kZMemError = -4;
inline constexpr int kZBufError = -5;
inline constexpr int kZVersionError = -6;

// zlib's flush values that inflate distinguishes.
inline constexpr int kZNoFlush = 0;
inline constexpr int kZSyncFlush = 2;
inline constexpr int kZFinish = 4;

// The version text of the stream record; InflateInit2 refuses a caller built against another
// major version or another record size.
inline constexpr std::string_view kInflateVersion = "1.0.0";

struct InflateState;

struct TZStreamRec {
  TZStreamRec();
  ~TZStreamRec();
  TZStreamRec(TZStreamRec&&) noexcept;
  TZStreamRec& operator=(TZStreamRec&&) noexcept;

  const uint8_t* nextIn = nullptr;
  uint32_t availIn = 0;
  uint64_t totalIn = 0;
  uint8_t* nextOut = nullptr;
  uint32_t availOut = 0;
  uint64_t totalOut = 0;
  const char* msg = nullptr;  // text of the last error
  uint32_t adler = 0;         // Adler-32 of the output so far (zlib streams)
  std::unique_ptr<InflateState> state;
};

// Creates the decoder state. kZVersionError for a foreign version or record size, kZStreamError
// for window bits out of range, kZMemError when the buffers cannot be had.
int InflateInit2(TZStreamRec& strm, int windowBits, bool deflate64 = false,
                 std::string_view version = kInflateVersion, size_t recordSize = sizeof(TZStreamRec));

// Consumes input and fills output. kZStreamEnd once the stream is complete and all of it is in
// the output; kZOk after progress; kZBufError when no progress was possible (or, with kZFinish,
// the stream is not complete); kZDataError for bad data (sticky), kZNeedDict for a zlib stream
// that asks for a preset dictionary, kZStreamError for a record without state or buffers.
int Inflate(TZStreamRec& strm, int flush);

// Starts a new stream on the same state (totals back to 0).
int InflateReset(TZStreamRec& strm);

// Frees the state.
int InflateEnd(TZStreamRec& strm);

// Adler-32 as zlib streams use it (start value 1).
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size);

}  // namespace riviza::zip
