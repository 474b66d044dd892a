// Reference encoders of the legacy zip methods (tests only); see the header.
#include "zip/decoders_encoders.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

namespace riviza::test {

// ---- shrinking ----

Bytes shrinkEncode(const Bytes& data, const ShrinkOptions& options) {
  constexpr unsigned kTable = 8192;
  constexpr int kFree = -1;
  if (data.empty()) return {};
  BitWriter w;
  std::vector<int> parent(kTable, kFree);
  std::vector<uint8_t> byte(kTable);
  std::vector<unsigned> children(kTable, 0);
  std::unordered_map<uint32_t, unsigned> dictionary;
  unsigned bits = 9;
  unsigned nextFree = 257;
  auto key = [](unsigned p, unsigned c) { return (p << 8) | c; };
  auto emit = [&](unsigned code) {
    if (code >= (1u << bits)) {
      w.bits(256, bits);
      w.bits(1, bits);
      ++bits;
    }
    w.bits(code, bits);
  };
  auto lowestFree = [&] {
    while (nextFree < kTable && parent[nextFree] != kFree) ++nextFree;
    return nextFree;
  };
  auto partialClear = [&] {
    w.bits(256, bits);
    w.bits(2, bits);
    std::vector<unsigned> leaves;
    for (unsigned c = 257; c < kTable; ++c)
      if (parent[c] != kFree && children[c] == 0) leaves.push_back(c);
    for (unsigned c : leaves) {
      dictionary.erase(key(static_cast<unsigned>(parent[c]), byte[c]));
      if (parent[c] >= 257) --children[parent[c]];
      parent[c] = kFree;
    }
    nextFree = 257;
  };

  unsigned current = data[0];
  for (size_t i = 1; i < data.size(); ++i) {
    const unsigned c = data[i];
    if (auto it = dictionary.find(key(current, c)); it != dictionary.end()) {
      current = it->second;
      continue;
    }
    emit(current);
    const unsigned freeCodes = kTable - lowestFree();
    const bool sentLeaf = current >= 257 && children[current] == 0;
    if ((options.clears == ShrinkClears::Early && freeCodes <= 64 && (!sentLeaf || freeCodes == 0)) ||
        (options.clears == ShrinkClears::WhenFull && freeCodes == 0))
      partialClear();
    if (lowestFree() < kTable) {
      parent[nextFree] = static_cast<int>(current);
      byte[nextFree] = static_cast<uint8_t>(c);
      if (current >= 257) ++children[current];
      dictionary[key(current, c)] = nextFree++;
    }
    current = c;
  }
  emit(current);
  return w.finish();
}

// ---- LZ77 match finding shared by reducing and imploding ----

namespace {

struct Token {
  bool literal;
  uint8_t byte;
  size_t length;
  size_t distance;
};

// Greedy matches of minMatch..maxMatch bytes within `window` bytes, found through hash chains
// of the next three bytes. With zeroHistory the data are preceded by `window` zero bytes that
// matches may use.
std::vector<Token> findMatches(const Bytes& data, size_t window, size_t minMatch, size_t maxMatch,
                               bool zeroHistory, const std::function<bool(size_t, size_t)>& acceptable) {
  Bytes buf(window, 0);
  buf.insert(buf.end(), data.begin(), data.end());
  const size_t begin = window;
  const size_t first = zeroHistory ? 0 : begin;
  std::vector<int64_t> head(1 << 15, -1);
  std::vector<int64_t> previous(buf.size(), -1);
  auto hash = [&](size_t p) {
    const uint32_t a = buf[p], b = p + 1 < buf.size() ? buf[p + 1] : 0,
                   c = p + 2 < buf.size() ? buf[p + 2] : 0;
    return ((a << 10) ^ (b << 5) ^ c) & 0x7FFF;
  };
  auto insert = [&](size_t p) {
    const auto h = hash(p);
    previous[p] = head[h];
    head[h] = static_cast<int64_t>(p);
  };
  for (size_t p = first; p < begin; ++p) insert(p);
  std::vector<Token> tokens;
  for (size_t p = begin; p < buf.size();) {
    size_t bestLength = 0, bestDistance = 0;
    int chain = 64;
    for (int64_t q = head[hash(p)]; q >= static_cast<int64_t>(first) && chain-- > 0; q = previous[q]) {
      const size_t distance = p - static_cast<size_t>(q);
      if (distance > window) break;
      size_t n = 0;
      while (n < maxMatch && p + n < buf.size() && buf[q + n] == buf[p + n]) ++n;
      if (n > bestLength && n >= minMatch && acceptable(n, distance)) {
        bestLength = n;
        bestDistance = distance;
      }
    }
    const size_t step = bestLength ? bestLength : 1;
    if (bestLength) {
      tokens.push_back({false, 0, bestLength, bestDistance});
    } else {
      tokens.push_back({true, buf[p], 0, 0});
    }
    for (size_t k = 0; k < step; ++k) insert(p + k);
    p += step;
  }
  return tokens;
}

}  // namespace

// ---- reducing ----

namespace {

unsigned reduceIndexBits(unsigned n) {
  unsigned bits = 1;
  while (bits < 6 && (1u << bits) < n) ++bits;
  return bits;
}

}  // namespace

Bytes reduceEncode(const Bytes& data, unsigned factor, bool zeroHistory) {
  const unsigned mask = 0xFFu >> factor;
  // A marker byte of 0 would read as a literal 144: length 3 needs a distance above 256.
  const auto tokens =
      findMatches(data, size_t{256} << factor, 3, mask + 255 + 3, zeroHistory,
                  [](size_t length, size_t distance) { return length > 3 || distance > 256; });
  // Stage 1: the byte stream with the 144 escapes.
  Bytes stage;
  for (const Token& t : tokens) {
    if (t.literal) {
      stage.push_back(t.byte);
      if (t.byte == 144) stage.push_back(0);
      continue;
    }
    const size_t extra = t.length - 3;
    const size_t high = (t.distance - 1) >> 8;
    stage.push_back(144);
    stage.push_back(static_cast<uint8_t>((high << (8 - factor)) | std::min<size_t>(extra, mask)));
    if (extra >= mask) stage.push_back(static_cast<uint8_t>(extra - mask));
    stage.push_back(static_cast<uint8_t>((t.distance - 1) & 0xFF));
  }
  // Stage 2: follower sets of the most frequent successors (set sizes vary with the byte).
  std::vector<std::array<unsigned, 256>> counts(256);
  for (auto& c : counts) c.fill(0);
  for (size_t i = 0, last = 0; i < stage.size(); last = stage[i++]) ++counts[last][stage[i]];
  std::vector<std::vector<uint8_t>> sets(256);
  for (unsigned b = 0; b < 256; ++b) {
    std::vector<unsigned> order(256);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](unsigned x, unsigned y) { return counts[b][x] > counts[b][y]; });
    const unsigned limit = 1 + (b * 7) % 32;
    for (unsigned k = 0; k < limit && counts[b][order[k]] > 0; ++k)
      sets[b].push_back(static_cast<uint8_t>(order[k]));
  }
  BitWriter w;
  for (int b = 255; b >= 0; --b) {
    w.bits(static_cast<uint32_t>(sets[b].size()), 6);
    for (uint8_t f : sets[b]) w.bits(f, 8);
  }
  uint8_t last = 0;
  for (uint8_t c : stage) {
    const auto& set = sets[last];
    if (!set.empty()) {
      const auto it = std::find(set.begin(), set.end(), c);
      if (it != set.end()) {
        w.bits(0, 1);
        w.bits(static_cast<uint32_t>(it - set.begin()), reduceIndexBits(static_cast<unsigned>(set.size())));
        last = c;
        continue;
      }
      w.bits(1, 1);
    }
    w.bits(c, 8);
    last = c;
  }
  return w.finish();
}

// ---- imploding ----

namespace {

// Code lengths of a complete code for the symbols by frequency: leaves of a random full binary
// tree of depth at most 16, the shortest given to the most frequent symbols.
std::vector<uint8_t> shannonFanoLengths(const std::vector<unsigned>& frequency, std::mt19937_64& rng) {
  std::vector<uint8_t> depths = {1, 1};
  while (depths.size() < frequency.size()) {
    const size_t pick = rng() % depths.size();
    if (depths[pick] >= 16) continue;
    ++depths[pick];
    depths.push_back(depths[pick]);
  }
  std::sort(depths.begin(), depths.end());
  std::vector<unsigned> order(frequency.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](unsigned a, unsigned b) { return frequency[a] > frequency[b]; });
  std::vector<uint8_t> lengths(frequency.size());
  for (size_t i = 0; i < order.size(); ++i) lengths[order[i]] = depths[i];
  return lengths;
}

struct ShannonFanoCode {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;  // as sent: the complement of the canonical code

  void write(BitWriter& w, unsigned symbol) const { w.code(codes[symbol], lengths[symbol]); }
};

ShannonFanoCode makeCode(const std::vector<uint8_t>& lengths) {
  ShannonFanoCode sf{lengths, std::vector<uint32_t>(lengths.size())};
  unsigned count[17] = {};
  for (uint8_t l : lengths) ++count[l];
  unsigned next[17] = {};
  for (unsigned len = 1, code = 0; len <= 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  next[0] = 0;
  for (size_t s = 0; s < lengths.size(); ++s) sf.codes[s] = ~next[lengths[s]]++ & ((1u << lengths[s]) - 1);
  return sf;
}

void writeTree(BitWriter& w, const std::vector<uint8_t>& lengths) {
  std::vector<uint8_t> pairs;
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (i + run < lengths.size() && run < 16 && lengths[i + run] == lengths[i]) ++run;
    pairs.push_back(static_cast<uint8_t>(((run - 1) << 4) | (lengths[i] - 1)));
    i += run;
  }
  w.bits(static_cast<uint32_t>(pairs.size() - 1), 8);
  for (uint8_t p : pairs) w.bits(p, 8);
}

}  // namespace

Bytes implodeEncode(const Bytes& data, const ImplodeOptions& options) {
  const size_t window = options.largeWindow ? 8192 : 4096;
  const unsigned lowBits = options.largeWindow ? 7 : 6;
  const size_t minMatch = options.literalTree ? 3 : 2;
  const auto tokens = findMatches(data, window, minMatch, minMatch + 63 + 255, options.zeroHistory,
                                  [](size_t, size_t) { return true; });
  std::vector<unsigned> literalFreq(256, 0), lengthFreq(64, 0), distFreq(64, 0);
  for (const Token& t : tokens) {
    if (t.literal) {
      ++literalFreq[t.byte];
    } else {
      ++lengthFreq[std::min<size_t>(t.length - minMatch, 63)];
      ++distFreq[(t.distance - 1) >> lowBits];
    }
  }
  std::mt19937_64 rng(data.size());
  const ShannonFanoCode literal = makeCode(shannonFanoLengths(literalFreq, rng));
  const ShannonFanoCode length = makeCode(shannonFanoLengths(lengthFreq, rng));
  const ShannonFanoCode distance = makeCode(shannonFanoLengths(distFreq, rng));
  BitWriter w;
  if (options.literalTree) writeTree(w, literal.lengths);
  writeTree(w, length.lengths);
  writeTree(w, distance.lengths);
  for (const Token& t : tokens) {
    if (t.literal) {
      w.bits(1, 1);
      if (options.literalTree) {
        literal.write(w, t.byte);
      } else {
        w.bits(t.byte, 8);
      }
      continue;
    }
    w.bits(0, 1);
    w.bits(static_cast<uint32_t>((t.distance - 1) & ((1u << lowBits) - 1)), lowBits);
    distance.write(w, static_cast<unsigned>((t.distance - 1) >> lowBits));
    const size_t l = t.length - minMatch;
    length.write(w, static_cast<unsigned>(std::min<size_t>(l, 63)));
    if (l >= 63) w.bits(static_cast<uint32_t>(l - 63), 8);
  }
  return w.finish();
}

// ---- deflate and Deflate64 with fixed codes ----

namespace {

constexpr unsigned kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr unsigned kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

void writeLength(BitWriter& w, size_t length, bool deflate64) {
  if (deflate64 && length > 258) {
    w.fixedLitlen(285);
    w.bits(static_cast<uint32_t>(length - 3), 16);
    return;
  }
  if (!deflate64 && length == 258) {
    w.fixedLitlen(285);
    return;
  }
  unsigned code = 27;  // Deflate64 has no 258 in code 285: 284 carries 227..258
  while (kLengthBase[code] > length) --code;
  w.fixedLitlen(257 + code);
  w.bits(static_cast<uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
}

void writeDistance(BitWriter& w, size_t distance) {
  unsigned code = 0;
  while (code + 1 < 32) {
    const unsigned extra = code + 1 < 4 ? 0 : (code + 1) / 2 - 1;
    const size_t base = code + 1 < 4 ? code + 2 : ((2u + ((code + 1) & 1)) << extra) + 1;
    if (base > distance) break;
    ++code;
  }
  const unsigned extra = code < 4 ? 0 : code / 2 - 1;
  const size_t base = code < 4 ? code + 1 : ((2u + (code & 1)) << extra) + 1;
  w.fixedDist(code);
  w.bits(static_cast<uint32_t>(distance - base), extra);
}

}  // namespace

Bytes fixedDeflateEncode(const Bytes& data, bool deflate64) {
  const size_t window = deflate64 ? 65536 : 32768;
  const size_t maxLength = deflate64 ? 65538 : 258;
  const auto tokens = findMatches(data, window, 3, maxLength, false, [](size_t, size_t) { return true; });
  BitWriter w;
  std::mt19937_64 rng(data.size());
  for (size_t t = 0; t < tokens.size();) {
    // Now and then a stored block of the next literals.
    size_t literals = 0;
    while (t + literals < tokens.size() && tokens[t + literals].literal && literals < 1000) ++literals;
    if (literals >= 8 && rng() % 4 == 0) {
      w.bits(0, 1);
      w.bits(0, 2);
      w.alignToByte();
      w.bits(static_cast<uint32_t>(literals), 16);
      w.bits(static_cast<uint32_t>(~literals & 0xFFFF), 16);
      for (size_t k = 0; k < literals; ++k) w.bits(tokens[t + k].byte, 8);
      t += literals;
      continue;
    }
    w.bits(0, 1);
    w.bits(1, 2);
    const size_t end = std::min(tokens.size(), t + 1 + rng() % 5000);
    for (; t < end; ++t) {
      const Token& token = tokens[t];
      if (token.literal) {
        w.fixedLitlen(token.byte);
      } else {
        writeLength(w, token.length, deflate64);
        writeDistance(w, token.distance);
      }
    }
    w.fixedLitlen(256);
  }
  // The final block: an empty fixed block.
  w.bits(1, 1);
  w.bits(1, 2);
  w.fixedLitlen(256);
  return w.finish();
}

}  // namespace riviza::test
