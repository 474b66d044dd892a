// Support of the core tests. See core_test_support.h.
#include "zip/core_test_support.h"

#include <cerrno>
#include <stdexcept>

namespace riviza::zip::coretest {
namespace {

template <class Rec>
Rec recordAt(const std::string& bytes, uint64_t at) {
  if (at + Rec::kSize > bytes.size()) throw std::runtime_error("record beyond the end");
  return ReadRecord<Rec>(
      std::span<const uint8_t, Rec::kSize>(reinterpret_cast<const uint8_t*>(bytes.data()) + at, Rec::kSize));
}

std::span<const uint8_t> spanAt(const std::string& bytes, uint64_t at, size_t size) {
  if (at + size > bytes.size()) throw std::runtime_error("field beyond the end");
  return {reinterpret_cast<const uint8_t*>(bytes.data()) + at, size};
}

}  // namespace

std::vector<TestEntry> ReadTestArchive(const std::string& bytes) {
  if (bytes.size() < TEndRecord::kSize) throw std::runtime_error("too short");
  uint64_t endAt = bytes.size() - TEndRecord::kSize;
  while (GetLE<uint32_t>(reinterpret_cast<const uint8_t*>(bytes.data()) + endAt) != kSigEnd) {
    if (endAt == 0) throw std::runtime_error("no end record");
    --endAt;
  }
  TEndRecord end = recordAt<TEndRecord>(bytes, endAt);
  uint64_t entries = end.entriesTotal, centralAt = end.centralOffset, centralSize = end.centralSize;
  uint64_t directoryEnd = endAt;
  if (endAt >= TZip64Locator::kSize + TZip64EndRecord::kSize) {
    const uint64_t locatorAt = endAt - TZip64Locator::kSize;
    auto locator = recordAt<TZip64Locator>(bytes, locatorAt);
    if (locator.signature == kSigZip64Locator) {
      // The zip64 end record stands right before the locator, whatever offset it claims.
      directoryEnd = locatorAt - TZip64EndRecord::kSize;
      auto z = recordAt<TZip64EndRecord>(bytes, directoryEnd);
      if (z.signature != kSigZip64End) throw std::runtime_error("no zip64 end record");
      entries = z.entriesTotal;
      centralAt = z.centralOffset;
      centralSize = z.centralSize;
    }
  }
  // Data in front of the archive (a stub) shifts every offset alike.
  if (centralSize > directoryEnd || directoryEnd - centralSize < centralAt)
    throw std::runtime_error("bad directory");
  const uint64_t shift = directoryEnd - centralSize - centralAt;
  std::vector<TestEntry> out;
  uint64_t at = centralAt + shift;
  for (uint64_t i = 0; i < entries; ++i) {
    TestEntry e;
    e.central = recordAt<TCentralHeader>(bytes, at);
    if (e.central.signature != kSigCentral) throw std::runtime_error("not a central header");
    e.name = std::string(bytes, at + TCentralHeader::kSize, e.central.nameLength);
    e.sizes = {e.central.compressedSize, e.central.uncompressedSize, e.central.localHeaderOffset};
    e.extra = ReadExtraField(
        spanAt(bytes, at + TCentralHeader::kSize + e.central.nameLength, e.central.extraLength), true,
        e.sizes);
    e.local = recordAt<TLocalHeader>(bytes, e.sizes.localHeaderOffset + shift);
    e.dataOffset =
        e.sizes.localHeaderOffset + shift + TLocalHeader::kSize + e.local.nameLength + e.local.extraLength;
    at += TCentralHeader::kSize + e.central.nameLength + e.central.extraLength + e.central.commentLength;
    out.push_back(std::move(e));
  }
  return out;
}

namespace {
int gInjectedErrno = 0;
platform::SysCalls failingWrites(int err) {
  gInjectedErrno = err;
  platform::SysCalls calls = platform::realSysCalls();
  calls.write = [](int, const void*, size_t) -> ssize_t {
    errno = gInjectedErrno;
    return -1;
  };
  return calls;
}
}  // namespace

ScopedWriteFailure::ScopedWriteFailure(int err) : scope_(failingWrites(err)) {}

}  // namespace riviza::zip::coretest
