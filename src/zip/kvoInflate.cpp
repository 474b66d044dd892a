// The stream inflater (zip layer): zlib's interface over the inflate engine; see the header.
#include "zip/kvoInflate.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "zip/kvoInflateEngine.h"

namespace riviza::zip {

using inflate::Format;
using inflate::InflateEngine;

struct InflateState {
  enum class Phase : uint8_t { Header, Body, Trailer, Done, Bad };

  InflateState(Format format, unsigned windowBits, bool wrapped)
      : engine(format, windowBits), windowBits(windowBits), wrapped(wrapped) {
    reset();
  }
  void reset() {
    engine.reset();
    phase = wrapped ? Phase::Header : Phase::Body;
    have = 0;
    adler = 1;
  }

  InflateEngine engine;
  unsigned windowBits;
  bool wrapped;
  Phase phase = Phase::Body;
  uint8_t bytes[4] = {};  // header or trailer bytes gathered so far
  unsigned have = 0;
  uint32_t adler = 1;
};

TZStreamRec::TZStreamRec() = default;
TZStreamRec::~TZStreamRec() = default;
TZStreamRec::TZStreamRec(TZStreamRec&&) noexcept = default;
TZStreamRec& TZStreamRec::operator=(TZStreamRec&&) noexcept = default;

uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size) {
  constexpr uint32_t kBase = 65521;
  constexpr size_t kMaxRun = 5552;  // largest n with 255n(n+1)/2 + (n+1)(kBase-1) < 2^32
  uint32_t a = adler & 0xFFFF;
  uint32_t b = adler >> 16;
  while (size > 0) {
    const size_t n = std::min(size, kMaxRun);
    for (size_t i = 0; i < n; ++i) {
      a += data[i];
      b += a;
    }
    a %= kBase;
    b %= kBase;
    data += n;
    size -= n;
  }
  return (b << 16) | a;
}

int InflateInit2(TZStreamRec& strm, int windowBits, bool deflate64, std::string_view version,
                 size_t recordSize) {
  if (version.empty() || version[0] != kInflateVersion[0] || recordSize != sizeof(TZStreamRec))
    return kZVersionError;
  const bool wrapped = windowBits > 0;
  const int bitsGiven = wrapped ? windowBits : -windowBits;
  const int bits = bitsGiven + (deflate64 ? 1 : 0);
  if (bits < 8 || bits > (deflate64 ? 16 : 15)) return kZStreamError;
  strm.msg = nullptr;
  strm.totalIn = strm.totalOut = 0;
  strm.adler = 1;
  try {
    strm.state = std::make_unique<InflateState>(deflate64 ? Format::Deflate64 : Format::Deflate,
                                                static_cast<unsigned>(bits), wrapped);
  } catch (const std::bad_alloc&) {
    return kZMemError;
  }
  return kZOk;
}

int InflateReset(TZStreamRec& strm) {
  if (!strm.state) return kZStreamError;
  strm.state->reset();
  strm.totalIn = strm.totalOut = 0;
  strm.msg = nullptr;
  strm.adler = 1;
  return kZOk;
}

int InflateEnd(TZStreamRec& strm) {
  if (!strm.state) return kZStreamError;
  strm.state.reset();
  return kZOk;
}

namespace {

// Gathers up to `want` bytes of a header or trailer; true when all are there.
bool gather(TZStreamRec& strm, InflateState& st, unsigned want) {
  while (st.have < want && strm.availIn > 0) {
    st.bytes[st.have++] = *strm.nextIn++;
    --strm.availIn;
    ++strm.totalIn;
  }
  return st.have == want;
}

int failWith(TZStreamRec& strm, InflateState& st, const char* message) {
  strm.msg = message;
  st.phase = InflateState::Phase::Bad;
  return kZDataError;
}

// The zlib header (RFC 1950): method 8, a window no larger than ours, a valid check value.
int readHeader(TZStreamRec& strm, InflateState& st) {
  const unsigned cmf = st.bytes[0];
  const unsigned flg = st.bytes[1];
  if (((cmf << 8) | flg) % 31 != 0) return failWith(strm, st, "incorrect header check");
  if ((cmf & 0x0F) != 8) return failWith(strm, st, "unknown compression method");
  if ((cmf >> 4) + 8 > st.windowBits) return failWith(strm, st, "invalid window size");
  if (flg & 0x20) {
    // A preset dictionary: this inflater has no way to take one.
    strm.msg = "need dictionary";
    return kZNeedDict;
  }
  st.have = 0;
  st.phase = InflateState::Phase::Body;
  return kZOk;
}

// Copies the engine's pending output into the caller's buffer.
void deliver(TZStreamRec& strm, InflateState& st) {
  const auto pending = st.engine.pending();
  const size_t n = std::min<size_t>(pending.size(), strm.availOut);
  if (n == 0) return;
  std::memcpy(strm.nextOut, pending.data(), n);
  if (st.wrapped) st.adler = Adler32(st.adler, pending.data(), n);
  st.engine.take(n);
  strm.nextOut += n;
  strm.availOut -= static_cast<uint32_t>(n);
  strm.totalOut += n;
}

// Runs the engine on the caller's pieces; returns a status to end the call with, or kZOk to go on
// (the engine finished the stream, or produced all the output space allows).
int decodeBody(TZStreamRec& strm, InflateState& st, bool& stop) {
  for (;;) {
    const uint8_t* in = strm.nextIn;
    const auto result = st.engine.run(in, in + strm.availIn, strm.availOut);
    const auto used = static_cast<uint32_t>(in - strm.nextIn);
    strm.nextIn = in;
    strm.availIn -= used;
    strm.totalIn += used;
    deliver(strm, st);
    switch (result) {
      case InflateEngine::Result::StreamEnd:
        st.have = 0;
        st.phase = st.wrapped ? InflateState::Phase::Trailer : InflateState::Phase::Done;
        return kZOk;
      case InflateEngine::Result::DataError:
        return failWith(strm, st, st.engine.message());
      case InflateEngine::Result::NeedInput:
        stop = true;
        return kZOk;
      case InflateEngine::Result::OutputFull:
        // The caller's space is used up, or the engine's buffer must slide first.
        if (strm.availOut == 0) {
          stop = true;
          return kZOk;
        }
        break;
    }
  }
}

}  // namespace

int Inflate(TZStreamRec& strm, int flush) {
  if (!strm.state || strm.nextOut == nullptr || (strm.nextIn == nullptr && strm.availIn != 0) || flush < 0 ||
      flush > kZFinish)
    return kZStreamError;
  InflateState& st = *strm.state;
  using Phase = InflateState::Phase;
  const uint32_t inBefore = strm.availIn;
  const uint32_t outBefore = strm.availOut;
  int status = kZOk;
  bool stop = false;
  while (!stop && status == kZOk) {
    switch (st.phase) {
      case Phase::Header:
        if (!gather(strm, st, 2)) {
          stop = true;
          break;
        }
        status = readHeader(strm, st);
        break;
      case Phase::Body:
        status = decodeBody(strm, st, stop);
        break;
      case Phase::Trailer: {
        if (!gather(strm, st, 4)) {
          stop = true;
          break;
        }
        const uint32_t stored = (uint32_t{st.bytes[0]} << 24) | (uint32_t{st.bytes[1]} << 16) |
                                (uint32_t{st.bytes[2]} << 8) | st.bytes[3];
        if (stored != st.adler) {
          status = failWith(strm, st, "incorrect data check");
          break;
        }
        st.phase = Phase::Done;
        break;
      }
      case Phase::Done:
        status = kZStreamEnd;
        break;
      case Phase::Bad:
        status = kZDataError;
        break;
    }
  }
  strm.adler = st.adler;
  const bool noProgress = strm.availIn == inBefore && strm.availOut == outBefore;
  if (status == kZOk && (noProgress || flush == kZFinish)) status = kZBufError;
  return status;
}

}  // namespace riviza::zip
