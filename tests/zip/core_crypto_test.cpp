// Ciphers and hashes against published vectors (FIPS 180, RFC 2202, RFC 6070, FIPS-197), the
// AE-2 entry vector made with the openssl command line, the traditional cipher against archives of
// Info-ZIP zip and 7-Zip, both processor paths against each other, and the entry-level rules:
// TkvoAES framing, password limits, salts, the traditional header.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/zip_archive.h"
#include "zip/kvoAES.h"
#include "zip/kvoAesKeyDerive.h"
#include "zip/kvoCrypt.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

std::string hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}
template <class C>
std::string hex(const C& c) {
  return hex(reinterpret_cast<const uint8_t*>(c.data()), c.size());
}
std::string unhex(std::string_view h) {
  std::string out;
  for (size_t i = 0; i + 1 < h.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(h.substr(i, 2)), nullptr, 16));
  return out;
}
const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(Sha1, Fips180Messages) {
  struct Case {
    std::string message;
    const char* digest;
  };
  const Case cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(Sha1Of(c.message.data(), c.message.size())), c.digest);
    TSha1 pieces;  // odd piece sizes cross every block boundary case
    for (size_t at = 0, step = 1; at < c.message.size(); at += step, step = step % 97 + 13)
      pieces.Add(c.message.data() + at, std::min(step, c.message.size() - at));
    EXPECT_EQ(hex(pieces.Finish()), c.digest);
  }
}

TEST(Sha1, InstructionPathMatchesPortable) {
  if (!Sha1ShaNiAvailable()) GTEST_SKIP() << "no SHA instructions on this processor";
  std::mt19937 rng(7);
  std::vector<uint8_t> data(64 * 50);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (size_t blocks : {1u, 2u, 7u, 50u}) {
    TSha1State a = kSha1Initial, b = kSha1Initial;
    Sha1CompressPortable(a, data.data(), blocks);
    Sha1CompressShaNi(b, data.data(), blocks);
    EXPECT_EQ(a, b) << blocks;
  }
}

TEST(HmacSha1, Rfc2202) {
  struct Case {
    std::string key, data;
    const char* code;
  };
  const Case cases[] = {
      {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
      {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
      {unhex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::string(50, '\xcd'),
       "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
      {std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
      {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
      {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
       "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
  };
  for (const auto& c : cases) {
    THmacSha1 mac(c.key.data(), c.key.size());
    mac.Add(c.data.data(), c.data.size());
    EXPECT_EQ(hex(mac.Finish()), c.code);
    mac.Restart();  // same key, same message again
    mac.Add(c.data.data(), c.data.size());
    uint8_t truncated[12];
    mac.Finish(truncated, sizeof truncated);
    EXPECT_EQ(hex(truncated, sizeof truncated), std::string(c.code).substr(0, 24));
  }
}

TEST(Pbkdf2HmacSha1, Rfc6070) {
  struct Case {
    std::string password, salt;
    uint32_t iterations;
    const char* key;
  };
  const Case cases[] = {
      {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const auto& c : cases) {
    std::string out(std::string_view(c.key).size() / 2, '\0');
    DeriveKey(c.password, bytes(c.salt), c.salt.size(), c.iterations, reinterpret_cast<uint8_t*>(out.data()),
              out.size());
    EXPECT_EQ(hex(out), c.key);
  }
}

TEST(Aes, Fips197AppendicesBAndCOnBothPaths) {
  struct Case {
    const char *key, *plain, *cipher;
  };
  const Case cases[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
       "3925841d02dc09fbdc118597196a0b32"},
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
       "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (bool portable : {false, true}) {
    for (const auto& c : cases) {
      std::string key = unhex(c.key), plain = unhex(c.plain);
      TAesBlock aes;
      ASSERT_TRUE(aes.SetKey(bytes(key), key.size()));
      aes.usePortable(portable);
      EXPECT_EQ(aes.rounds(), static_cast<int>(key.size() / 4 + 6));
      uint8_t out[16];
      aes.EncryptBlock(bytes(plain), out);
      EXPECT_EQ(hex(out, 16), c.cipher) << "portable " << portable;
    }
  }
  TAesBlock bad;
  EXPECT_FALSE(bad.SetKey(bytes(std::string(20, 'k')), 20));
}

TEST(Aes, CounterModeAgreesAcrossPathsAndPieces) {
  std::string key = unhex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  std::mt19937 rng(3);
  std::vector<uint8_t> data(16 * 37);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  std::vector<uint8_t> viaNi = data, viaPortable = data, viaSingle = data;
  TAesBlock aes;
  ASSERT_TRUE(aes.SetKey(bytes(key), key.size()));
  uint64_t c1 = 0, c2 = 0;
  aes.CtrXor(viaNi.data(), 37, c1);
  aes.usePortable(true);
  aes.CtrXor(viaPortable.data(), 37, c2);
  EXPECT_EQ(viaNi, viaPortable);
  EXPECT_EQ(c1, 37u);
  for (size_t i = 0; i < 37; ++i) {  // block i is data xor E(counter i + 1, little-endian)
    uint8_t counter[16] = {static_cast<uint8_t>(i + 1)}, stream[16];
    aes.EncryptBlock(counter, stream);
    for (int k = 0; k < 16; ++k) viaSingle[16 * i + k] ^= stream[k];
  }
  EXPECT_EQ(viaSingle, viaNi);
}

// Made with the openssl command line (OpenSSL 3.0):
//   openssl kdf -keylen 66 -kdfopt digest:SHA1 -kdfopt pass:riviza-ae2
//       -kdfopt hexsalt:000102030405060708090a0b0c0d0e0f -kdfopt iter:1000 PBKDF2  (one line)
//     -> AES key (32), HMAC key (32), verifier (2)
//   counter blocks 01 00..00, 02 00..00, 03 00..00 through openssl enc -aes-256-ecb -K <aes> -nopad,
//   xored with the 40-byte text; openssl dgst -sha1 -mac HMAC -macopt hexkey:<hmac> over the result.
constexpr const char* kAe2Password = "riviza-ae2";
constexpr const char* kAe2Salt = "000102030405060708090a0b0c0d0e0f";
constexpr const char* kAe2Plain = "Abrechnung 2024: Kostentraeger-Datei ok!";
constexpr const char* kAe2Verifier = "ba6c";
constexpr const char* kAe2Cipher =
    "324689b2ab0b8256ab69986361baa194eda5cc8fc6fbf6f6df0193bd8aff80ce0aa3b220e3c7a77b";
constexpr const char* kAe2Code = "898720b0ee5489db77f1";

TEST(AesEntry, Ae2VectorFromOpenssl) {
  std::string salt = unhex(kAe2Salt);
  for (size_t split : {size_t{40}, size_t{1}, size_t{17}}) {  // one piece; 1 + 39; 17 + 23
    TAesEntryCrypt ctx;
    ASSERT_TRUE(ctx.Init(kAe2Password, emAES2_256, bytes(salt)));
    EXPECT_EQ(hex(ctx.verifier()), kAe2Verifier);
    std::string data = kAe2Plain;
    ctx.EncryptData(reinterpret_cast<uint8_t*>(data.data()), split);
    ctx.EncryptData(reinterpret_cast<uint8_t*>(data.data()) + split, data.size() - split);
    EXPECT_EQ(hex(data), kAe2Cipher) << split;
    EXPECT_EQ(hex(ctx.AuthCode()), kAe2Code);
  }
  TAesEntryCrypt back;
  ASSERT_TRUE(back.Init(kAe2Password, emAES2_256, bytes(salt)));
  std::string data = unhex(kAe2Cipher);
  back.DecryptData(reinterpret_cast<uint8_t*>(data.data()), data.size());
  EXPECT_EQ(data, kAe2Plain);
  EXPECT_EQ(hex(back.AuthCode()), kAe2Code);
}

// One encrypted entry body (salt, verifier, data, code) in a memory stream.
std::string encryptEntry(std::string_view password, uint8_t strength, std::string plain) {
  TMemoryStream32 out;
  TkvoAES aes(nullptr, &out);
  EXPECT_TRUE(aes.BeginEncrypt(password, strength));
  aes.EncryptData(reinterpret_cast<uint8_t*>(plain.data()), plain.size());
  EXPECT_TRUE(out.WriteBuffer(plain));
  EXPECT_TRUE(aes.EndEncrypt());
  return std::string(out.view());
}

TEST(TkvoAES, RoundTripOverheadAndWrongPassword) {
  for (uint8_t strength : {emAES2_128, emAES2_192, emAES2_256}) {
    std::string body = encryptEntry("geheim", strength, "Lorem ipsum dolor sit amet");
    const size_t salt = AesSaltLength(strength);
    EXPECT_EQ(body.size(), salt + 2 + 26 + 10);
    TCustomMemoryStream32 in(body.data(), body.size());
    TkvoAES aes(&in, nullptr);
    uint32_t overhead = 99;
    EXPECT_FALSE(*aes.BeginDecrypt("falsch", strength, overhead));
    EXPECT_EQ(*in.Position(), 0u);  // back before the salt for the next password
    EXPECT_FALSE(*aes.BeginDecrypt("", strength, overhead));
    EXPECT_EQ(overhead, 0u);
    ASSERT_TRUE(*aes.BeginDecrypt("geheim", strength, overhead));
    EXPECT_EQ(overhead, salt + 12);
    std::string data(26, '\0');
    ASSERT_TRUE(in.ReadBuffer(data.data(), data.size()));
    aes.DecryptData(reinterpret_cast<uint8_t*>(data.data()), data.size());
    EXPECT_EQ(data, "Lorem ipsum dolor sit amet");
    EXPECT_TRUE(*aes.EndDecrypt());
  }
}

TEST(TkvoAES, AuthenticationCodeMustMatchInFull) {
  std::string body = encryptEntry("pw", emAES2_128, "some data");
  const size_t dataAt = 8 + 2, dataSize = 9;
  struct Case {
    const char* what;
    std::string body;
  };
  std::string flippedData = body, flippedCode = body, truncated = body.substr(0, body.size() - 1);
  flippedData[dataAt] ^= 1;
  flippedCode[body.size() - 1] ^= 0x80;
  const Case cases[] = {{"flipped data", flippedData},
                        {"flipped last code byte", flippedCode},
                        {"code cut to 9 bytes", truncated},
                        {"no code at all", body.substr(0, body.size() - 10)}};
  for (const auto& c : cases) {
    TCustomMemoryStream32 in(c.body.data(), c.body.size());
    TkvoAES aes(&in, nullptr);
    uint32_t overhead;
    ASSERT_TRUE(*aes.BeginDecrypt("pw", emAES2_128, overhead)) << c.what;
    std::string data(dataSize, '\0');
    ASSERT_TRUE(in.ReadBuffer(data.data(), dataSize));
    aes.DecryptData(reinterpret_cast<uint8_t*>(data.data()), dataSize);
    EXPECT_FALSE(*aes.EndDecrypt()) << c.what;
  }
}

TEST(TkvoAES, PasswordLimitSaltsAndRestart) {
  TMemoryStream32 out;
  TkvoAES aes(nullptr, &out);
  EXPECT_TRUE(aes.BeginEncrypt(std::string(128, 'p'), emAES2_256));
  auto refused = aes.BeginEncrypt(std::string(129, 'p'), emAES2_256);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, kZipPasswordTooLong);
  EXPECT_FALSE(aes.BeginEncrypt("p", 4));
  TkvoAES reader(&out, nullptr);
  uint32_t overhead;
  EXPECT_FALSE(*reader.BeginDecrypt(std::string(129, 'p'), emAES2_256, overhead));

  // Two entries made at once never share a salt.
  std::string a = encryptEntry("pw", emAES2_256, "x"), b = encryptEntry("pw", emAES2_256, "x");
  EXPECT_NE(a.substr(0, 16), b.substr(0, 16));

  // Restart rewrites salt and verifier in place; the entry then decrypts under the new salt.
  TMemoryStream32 entry;
  TkvoAES writer(nullptr, &entry);
  ASSERT_TRUE(writer.BeginEncrypt("pw", emAES2_192));
  std::string firstSalt(entry.view().substr(0, 12));
  ASSERT_TRUE(writer.RestartEncrypt());
  EXPECT_EQ(*entry.Size(), 14u);
  EXPECT_NE(std::string(entry.view().substr(0, 12)), firstSalt);
  std::string plain = "stored after all";
  writer.EncryptData(reinterpret_cast<uint8_t*>(plain.data()), plain.size());
  ASSERT_TRUE(entry.WriteBuffer(plain));
  ASSERT_TRUE(writer.EndEncrypt());
  std::string body(entry.view());
  TCustomMemoryStream32 in(body.data(), body.size());
  TkvoAES check(&in, nullptr);
  ASSERT_TRUE(*check.BeginDecrypt("pw", emAES2_192, overhead));
  std::string data(plain.size(), '\0');
  ASSERT_TRUE(in.ReadBuffer(data.data(), data.size()));
  check.DecryptData(reinterpret_cast<uint8_t*>(data.data()), data.size());
  EXPECT_EQ(data, "stored after all");
  EXPECT_TRUE(*check.EndDecrypt());
}

TEST(Prng, DeterministicSourceGivesRepeatableBytesAcrossRefills) {
  auto counting = [](uint8_t* out, size_t count) {
    size_t n = std::min<size_t>(count, 8);  // an entropy source of 8 bytes a call
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 37 + count);
    return n;
  };
  TPrng a, b;
  ASSERT_TRUE(a.PrngInit(counting));
  ASSERT_TRUE(b.PrngInit(counting));
  std::vector<uint8_t> x(600), y(600);
  ASSERT_TRUE(a.PrngRandom(x.data(), x.size()));
  ASSERT_TRUE(b.PrngRandom(y.data(), 1));
  ASSERT_TRUE(b.PrngRandom(y.data() + 1, 599));
  EXPECT_EQ(x, y);
  EXPECT_NE(std::vector<uint8_t>(x.begin(), x.begin() + 260),
            std::vector<uint8_t>(x.begin() + 260, x.begin() + 520));
  TPrng dead;
  EXPECT_FALSE(dead.PrngInit([](uint8_t*, size_t) -> size_t { return 0; }));
}

TEST(ZipCrypt, HeaderRoundTripCheckByteAndPasswordLimit) {
  struct Case {
    uint16_t flags;
    uint32_t crc;
    uint16_t dosTime;
  };
  for (const Case& c : {Case{0x0001, 0xA4D8FD47u, 0x1234}, Case{0x0009, 0x11223344u, 0x34CA}}) {
    TZipCrypt writer;
    auto header =
        BuildEncryptionHeader(writer, "12345678", c.flags & 0x0008 ? uint32_t{c.dosTime} << 16 : c.crc);
    ASSERT_TRUE(header);
    uint8_t data[5] = {'h', 'e', 'l', 'l', 'o'};
    writer.ZipEncryptBuffer(data, 5);

    TZipCrypt reader;
    // With bit 3 the check byte is the DOS time's high byte, whatever the CRC says.
    EXPECT_TRUE(
        TestEncryptionHeader(reader, *header, c.flags, c.flags & 0x0008 ? 0 : c.crc, c.dosTime, "12345678"));
    reader.ZipDecryptBuffer(data, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "hello");
    TZipCrypt wrong;
    EXPECT_FALSE(TestEncryptionHeader(wrong, *header, c.flags, c.crc, c.dosTime, ""));
  }
  TZipCrypt a, b;
  auto h1 = BuildEncryptionHeader(a, "pw", 0), h2 = BuildEncryptionHeader(b, "pw", 0);
  EXPECT_NE(std::vector<uint8_t>(h1->begin(), h1->begin() + 10),
            std::vector<uint8_t>(h2->begin(), h2->begin() + 10));
  EXPECT_TRUE(a.ZipInitKeys(std::string(255, 'x')));
  auto refused = BuildEncryptionHeader(a, std::string(256, 'x'), 0);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, kZipPasswordTooLong);
}

// The traditional cipher against archives that Info-ZIP zip and 7-Zip encipher with a password
// at test time: the header's check byte agrees, and the data, deciphered in uneven pieces (the
// keys carry over from call to call), is the file. The start keys are APPNOTE's constants.
TEST(ZipCrypt, DeciphersWhatInfoZipAndSevenZipEncipher) {
  test::TempDir dir;
  std::string plain;
  for (int i = 0; plain.size() < 20000; ++i)
    plain += "Zeile " + std::to_string(i * 7919 % 1000) + " Kostentraeger\r\n";
  dir.write("plain.txt", plain);
  const std::string password = "Geheim-42";
  struct Maker {
    const char* archive;
    std::vector<std::string> argv;
  };
  const Maker makers[] = {
      {"infozip.zip", {"zip", "-q", "-0", "-P", password, "infozip.zip", "plain.txt"}},
      {"7zz.zip",
       {"7zz", "a", "-tzip", "-bd", "-mx=0", "-mem=ZipCrypto", "-p" + password, "7zz.zip", "plain.txt"}},
  };
  for (const Maker& m : makers) {
    SCOPED_TRACE(m.archive);
    test::toolOutput(m.argv, {.dir = dir.path()});
    const auto entries = test::ParseZipFile(dir / m.archive).entries;
    ASSERT_EQ(entries.size(), 1u);
    const test::ParsedZipEntry& e = entries[0];
    ASSERT_EQ(e.central.method, 0);
    ASSERT_TRUE(e.central.flags & 1);
    ASSERT_EQ(e.data.size(), TZipCrypt::kHeaderSize + plain.size());
    TZipCrypt::Header header;
    std::copy_n(e.data.begin(), header.size(), header.begin());
    TZipCrypt c;
    ASSERT_TRUE(TestEncryptionHeader(c, header, e.local.flags, e.central.crc, e.local.time, password));
    std::string data = e.data.substr(TZipCrypt::kHeaderSize);
    for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 7 % 1000 + 1)
      c.ZipDecryptBuffer(reinterpret_cast<uint8_t*>(data.data()) + at, std::min(piece, data.size() - at));
    EXPECT_EQ(data, plain);
  }
  TZipCrypt start;
  ASSERT_TRUE(start.ZipInitKeys(""));
  EXPECT_EQ(start.keys(), (std::array<uint32_t, 3>{0x12345678u, 0x23456789u, 0x34567890u}));
}

}  // namespace
}  // namespace riviza::zip
