// Record decisions of the zip writer (zip layer). See kvoZipLayout.h.
#include "zip/kvoZipLayout.h"

namespace riviza::zip {
namespace {

template <class Rec>
void appendRecord(std::vector<uint8_t>& out, const Rec& r) {
  const auto bytes = WriteRecord(r);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

bool fits32(uint64_t v) { return v < kZip64Marker32; }

uint32_t low32OrMarker(uint64_t v, bool marked) { return marked ? kZip64Marker32 : static_cast<uint32_t>(v); }

}  // namespace

bool LocalNeedsZip64(uint64_t fileSize) {
  // Deflate's worst case adds 5 bytes per 16 KiB stored block and a few more; 1/2048 of the size
  // plus 1 KiB (AES salt, verifier, code and the traditional header included) covers it.
  const uint64_t worst = fileSize + (fileSize >> 11) + 1024;
  return !fits32(worst);
}

std::vector<uint8_t> SetLocalSizes(TLocalHeader& local, const TEntrySizes& sizes, bool reserved) {
  local.compressedSize = low32OrMarker(sizes.compressed, reserved);
  local.uncompressedSize = low32OrMarker(sizes.uncompressed, reserved);
  if (!reserved) return {};
  local.versionNeeded = kVersionZip64;
  return WriteZip64Extra(sizes, true, true, false);
}

std::vector<uint8_t> SetLocalExtras(TLocalHeader& local, const std::optional<TAesExtra>& aes,
                                    const TEntrySizes& sizes, bool reserved) {
  std::vector<uint8_t> extras;
  if (aes) {
    const auto field = WriteAesExtra(*aes);
    extras.assign(field.begin(), field.end());
  }
  const std::vector<uint8_t> zip64 = SetLocalSizes(local, sizes, reserved);
  extras.insert(extras.end(), zip64.begin(), zip64.end());
  local.extraLength = static_cast<uint16_t>(extras.size());
  return extras;
}

std::vector<uint8_t> SetCentralSizes(TCentralHeader& central, const TEntrySizes& sizes, bool forceSizes) {
  const bool u = forceSizes || !fits32(sizes.uncompressed);
  const bool c = forceSizes || !fits32(sizes.compressed);
  const bool o = !fits32(sizes.localHeaderOffset);
  central.uncompressedSize = low32OrMarker(sizes.uncompressed, u);
  central.compressedSize = low32OrMarker(sizes.compressed, c);
  central.localHeaderOffset = low32OrMarker(sizes.localHeaderOffset, o);
  if (!u && !c && !o) return {};
  central.versionNeeded = kVersionZip64;
  return WriteZip64Extra(sizes, u, c, o);
}

std::vector<uint8_t> StripSizeFields(std::span<const uint8_t> extra) {
  return WithoutExtraFields(extra, {kExtraZip64, kExtraLargeFile});
}

bool DirectoryEndNeedsZip64(const TCentralEnd& end) {
  return end.entriesTotal >= kZip64Marker16 || end.entriesHere >= kZip64Marker16 ||
         !fits32(end.centralSize) || !fits32(end.centralOffset) || end.thisDisk >= kZip64Marker16 ||
         end.centralDisk >= kZip64Marker16;
}

std::vector<uint8_t> DirectoryEndRecords(const TCentralEnd& end, uint64_t at) {
  std::vector<uint8_t> out;
  const bool zip64 = DirectoryEndNeedsZip64(end);
  if (zip64) {
    TZip64EndRecord z;
    z.thisDisk = end.thisDisk;
    z.centralDisk = end.centralDisk;
    z.entriesThisDisk = end.entriesHere;
    z.entriesTotal = end.entriesTotal;
    z.centralSize = end.centralSize;
    z.centralOffset = end.centralOffset;
    appendRecord(out, z);
    TZip64Locator l;
    l.zip64EndDisk = end.thisDisk;
    l.zip64EndOffset = at;
    l.totalDisks = end.thisDisk + 1;
    appendRecord(out, l);
  }
  auto clamp16 = [&](uint64_t v) { return v >= kZip64Marker16 ? kZip64Marker16 : static_cast<uint16_t>(v); };
  TEndRecord e;
  e.thisDisk = clamp16(end.thisDisk);
  e.centralDisk = clamp16(end.centralDisk);
  e.entriesThisDisk = clamp16(end.entriesHere);
  e.entriesTotal = clamp16(end.entriesTotal);
  e.centralSize = low32OrMarker(end.centralSize, !fits32(end.centralSize));
  e.centralOffset = low32OrMarker(end.centralOffset, !fits32(end.centralOffset));
  e.commentLength = end.commentLength;
  appendRecord(out, e);
  return out;
}

}  // namespace riviza::zip
