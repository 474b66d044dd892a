// The reading of cost-bearer files into work-file lines, without any file access (cost-bearer
// domain).
//
// One CostBearerReader serves one run of one reader (§300, §302 or §105): it is fed the bytes of
// the input files in list order and appends the main and link lines of every cost bearer to the
// work text (valid ones) or the log text (invalid ones), counting as the run's running counter.
// A cost bearer lives from its IDK line to its UNT line inside one file; one that ends without
// UNT (end of file, or the next IDK) is written to the log like an invalid one and noted. The run
// checks each file's frame first (interchange.h), so there that happens only to callers that
// feed unchecked bytes. Every IDK line yields exactly one main line in the work text or the log,
// except that two kinds of cost bearer are left out with a note and counted in `passedOver`:
//  - one whose IK (IDK element 2) is not nine digits: a key cut or padded to nine would stand
//    for another cost bearer;
//  - one whose IK a file of the same kind read before lists (the caller orders each kind's files
//    newest first, orderNewestFirst): the newer file's record stands, and the older file's
//    repeats are noted once per file with their count.
// The caller owns the files, the message box and the in-memory table; this layer is pure and is
// what the fuzz target drives.
//
//   ready --readFile()--> ready            (each file; lines appended to ReadOutput)
//   ready --readFile() hits a link cap--> failed (Error kTableSizeExceeded; the run is over)
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace riviza::costbearer {

// The legal basis of a reader and of the tables, passes and debtor records built from its
// files: §300 SGB V, §302 SGB V, §105 SGB XI.
enum class Basis { S300, S302, S105 };
// The paragraph as the tables and import files carry it: "300", "302", "105".
std::string_view basisText(Basis basis);

enum class AddressRule {
  LastComplete,    // §300, §105: the last complete address wins, one without PLZ or town is replaced
  FirstUnlessBare  // §302: ANS+1 unless PLZ and town are empty or the street is a bare number
};

// What differs between the three readers; one row per basis.
struct BasisRules {
  Basis basis;
  const char* mask;          // cost-bearer file mask in the year's Kosttr folder
  const char* workFile;      // in the program folder's Temp
  const char* logFile;
  bool institutionType;      // IDK bytes 15-16 into columns 40-49 (§300)
  bool partnerColumns;       // partners of the last VKG+02 / VKG+03 into columns 30-49 (§302, §105)
  bool paperOffice;          // VKG+04 into columns 172-181 (§300)
  bool links09;              // VKG+09 into the 09 buffer (§302, §105)
  bool bnFiles;              // files named "bn...": first VKG+01 wins, extra "03" links (§300)
  bool verweisIsOwnIk;       // the referenced IK starts as the own IK (§105)
  AddressRule address;
};
const BasisRules& rulesFor(Basis basis);

// Error code of a run that hit a link buffer's capacity; the message is the user's text.
constexpr int kTableSizeExceeded = 1;

struct ReadOutput {
  std::string work;  // lines with CR LF, single-byte text
  std::string log;
  int counter = 0;                 // the running counter of the run
  int valid = 0;                   // cost bearers written to the work text
  int passedOver = 0;              // IDK lines left out (see above)
  std::vector<std::string> notes;  // UTF-8 lines for the update list
};

// Today as the number yyyymmdd, the form in which VDT dates are compared.
using DateNumber = long;

// One input file of a run and when its UNB says it was prepared (yyyymmddhhmm, 0 unknown).
struct InputFile {
  std::string name;  // UTF-8, without folder
  std::string bytes;
  long long prepared = 0;
};

// Orders each run of files of one kind (the first two characters of the name, ignoring case;
// they stand side by side in name order) newest first; the kinds keep their order. A file's
// period is the quarter its name gives ("AO05Q425.ke0": from 01.10.2025), else the day it was
// prepared; a period that has begun comes before one that has not (next quarter's file, delivered
// early, must not hide the records valid today), then the later period, the later preparation and
// the greater name. The VDT segments are no guide: they date each entry, not the file.
void orderNewestFirst(std::vector<InputFile>& files, DateNumber today);

class CostBearerReader {
 public:
  CostBearerReader(Basis basis, DateNumber today, ReadOutput& out);
  ~CostBearerReader();
  CostBearerReader(const CostBearerReader&) = delete;
  CostBearerReader& operator=(const CostBearerReader&) = delete;

  // Reads one file; `fileName` (UTF-8, without folder) gives the kind and the "bn" rule.
  Status readFile(std::string_view fileName, std::string_view bytes);

 private:
  struct State;
  std::unique_ptr<State> state_;  // keeps the record layout out of the header
};

}  // namespace riviza::costbearer
