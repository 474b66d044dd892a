// Support of the reader tests. See reader_support.h.
#include "zip/reader_support.h"

#include <zlib.h>

#include "zip/kvoCrc.h"
#include "zip/kvoRecords.h"

namespace riviza::zip::readertest {
namespace {

std::string deflateRaw(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

template <class Rec>
std::string bytesOf(const Rec& r) {
  auto a = WriteRecord(r);
  return std::string(a.begin(), a.end());
}

}  // namespace

std::string BuildZip(const std::vector<Entry>& entries, const Layout& layout) {
  std::string body, directory;
  const uint32_t base = layout.adjustOffsets ? static_cast<uint32_t>(layout.prefix.size()) : 0;
  for (const Entry& e : entries) {
    const std::string packed = e.method == 8 ? deflateRaw(e.data) : e.data;
    const std::string& localName = e.localName ? *e.localName : e.name;
    TLocalHeader local;
    local.flags = e.flags, local.method = e.method;
    local.time = static_cast<uint16_t>(e.dosDateTime),
    local.date = static_cast<uint16_t>(e.dosDateTime >> 16);
    local.crc = e.crc ? *e.crc : Crc32Of(e.data);
    local.compressedSize = static_cast<uint32_t>(packed.size());
    local.uncompressedSize = static_cast<uint32_t>(e.data.size());
    local.nameLength = static_cast<uint16_t>(localName.size());
    local.extraLength = static_cast<uint16_t>(e.extra.size());
    TCentralHeader central;
    central.flags = local.flags, central.method = local.method, central.time = local.time,
    central.date = local.date;
    central.crc = local.crc, central.compressedSize = local.compressedSize;
    central.uncompressedSize = local.uncompressedSize;
    central.nameLength = static_cast<uint16_t>(e.name.size());
    central.extraLength = local.extraLength;
    central.externalAttributes = e.externalAttributes;
    central.localHeaderOffset = base + static_cast<uint32_t>(body.size());
    body += bytesOf(local) + localName + e.extra + packed;
    directory += bytesOf(central) + e.name + e.extra;
  }
  TEndRecord end;
  end.entriesThisDisk = end.entriesTotal = static_cast<uint16_t>(entries.size());
  end.centralSize = static_cast<uint32_t>(directory.size());
  end.centralOffset = base + static_cast<uint32_t>(body.size());
  end.commentLength = static_cast<uint16_t>(layout.comment.size());
  return layout.prefix + body + directory + bytesOf(end) + layout.comment;
}

Run ExtractAll(TUnZip& unzip, const std::string& archive, const std::string& dir) {
  Run run;
  unzip.OnError = [&run](const std::string&, const std::string&, const std::string&, int code) {
    run.errors.push_back(code);
  };
  unzip.SetArchiveFile(archive);
  unzip.SetExtractDir(dir);
  unzip.FileSpec = {"*.*"};
  run.count = unzip.Extract();
  run.failures = unzip.Failures();
  return run;
}

}  // namespace riviza::zip::readertest
