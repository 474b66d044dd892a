// The cost-bearer file reader: segments to work-file lines. See kosttr_reader.h.
#include "costbearer/kosttr_reader.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_set>

#include "costbearer/column_text.h"
#include "costbearer/segment.h"
#include "costbearer/work_lines.h"
#include "platform/clock.h"
#include "platform/codec.h"

namespace riviza::costbearer {

std::string_view basisText(Basis basis) {
  switch (basis) {
    case Basis::S300:
      return "300";
    case Basis::S302:
      return "302";
    case Basis::S105:
      return "105";
  }
  return "";
}

namespace pf = platform;

namespace {

constexpr BasisRules kRules[] = {
    {Basis::S300, "??03*.ke?", "Kosttr300.txt", "kost300.log", true, false, true, false, true, false,
     AddressRule::LastComplete},
    {Basis::S302, "??05*.ke?", "Kosttr302.txt", "kost302.log", false, true, false, true, false, false,
     AddressRule::FirstUnlessBare},
    {Basis::S105, "??06*.ke?", "Kosttr105.txt", "kost105.log", false, true, false, true, false, true,
     AddressRule::LastComplete},
};

// The three link buffers, their line types, capacities and the VKG segments that fill them.
enum LinkBuffer { k02, k03, k09, kBufferCount };
constexpr std::array<const char*, kBufferCount> kLinkSegment = {"VKG+02", "VKG+03", "VKG+09"};
constexpr std::array<const char*, kBufferCount> kBufferLineType = {"02", "03", "09"};
constexpr std::array<size_t, kBufferCount> kCapacity = {99, 99, 499};

constexpr std::string_view kCrLf = "\r\n";

struct Address {
  std::string_view plz, ort, strasse;
  bool usable() const { return !isBlank(plz) || !isBlank(ort); }
  bool complete() const { return !isBlank(plz) && !isBlank(ort) && !isBlank(strasse); }
};

bool isBareNumber(std::string_view street) {
  return !isBlank(street) && pf::parseFloat(platform::trimView(street)).has_value();
}

// Address choice. The §302 rule never trades a usable address (PLZ or town present) for one
// without PLZ and town: the published §302 files hold offices whose only address carries a PO
// box number in the street field, and the plain rule would leave them with none. The §300/§105
// rule replaces an address without PLZ or town whatever follows; no published file needs more.
Address chooseAddress(AddressRule rule, const std::array<Address, 3>& ans) {
  Address current = ans[0];
  for (size_t k = 1; k < ans.size(); ++k) {
    const Address& next = ans[k];
    bool replace = rule == AddressRule::FirstUnlessBare
                       ? ((isBlank(current.plz) && isBlank(current.ort)) || isBareNumber(current.strasse)) &&
                             (next.usable() || !current.usable())
                       : isBlank(current.plz) || isBlank(current.ort) || next.complete();
    if (replace) current = next;
  }
  return current;
}

// yyyymmdd of 8 digits, else -1.
DateNumber eightDigits(std::string_view text) {
  if (text.size() != 8) return -1;
  DateNumber value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// IDK element 2: the IK, nine digits.
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIk(std::string_view ik) { return ik.size() == 9 && std::all_of(ik.begin(), ik.end(), isDigit); }

// The kind of a file name for grouping: its first two characters, ignoring case.
std::string kindKey(std::string_view fileName) { return pf::toLowerAscii(fileName.substr(0, 2)); }

// A file's period for orderNewestFirst: (begun, its first day yyyymmdd).
std::pair<bool, long> period(const InputFile& f, DateNumber today) {
  const std::string_view n = f.name;
  const bool quarter = n.size() >= 8 && (n[4] == 'Q' || n[4] == 'q') && n[5] >= '1' && n[5] <= '4' &&
                       isDigit(n[6]) && isDigit(n[7]);
  if (!quarter) {
    const long day = static_cast<long>(f.prepared / 10000);
    return {true, day};
  }
  const long year = 2000 + (n[6] - '0') * 10 + (n[7] - '0');
  const long first = year * 10000 + ((n[5] - '1') * 3L + 1) * 100 + 1;
  return {first <= today, first};
}

}  // namespace

const BasisRules& rulesFor(Basis basis) { return kRules[static_cast<int>(basis)]; }

void orderNewestFirst(std::vector<InputFile>& files, DateNumber today) {
  auto newer = [today](const InputFile& a, const InputFile& b) {
    const auto pa = period(a, today), pb = period(b, today);
    if (pa != pb) return pa > pb;
    if (a.prepared != b.prepared) return a.prepared > b.prepared;
    return a.name > b.name;
  };
  for (auto run = files.begin(); run != files.end();) {
    const std::string kind = kindKey(run->name);
    auto end = std::find_if(run, files.end(), [&](const InputFile& f) { return kindKey(f.name) != kind; });
    std::stable_sort(run, end, newer);
    run = end;
  }
}

// The per-cost-bearer record. Views point into the bytes of the file being read: a cost bearer
// never outlives its file.
struct CostBearerReader::State {
  const BasisRules& rules;
  DateNumber today;
  ReadOutput& out;

  // per run: the files read so far and the IKs they listed, by kind (kindKey)
  std::map<std::string, std::vector<std::string>> kindFiles;
  std::map<std::string, std::unordered_set<std::string>> kindIks;

  // per file
  std::string_view fileName;
  std::string kind;  // first two characters of the file name, single-byte
  bool bnFile = false;
  std::unordered_set<std::string> fileIks;
  int repeats = 0;  // cost bearers an earlier file of the kind listed

  // per cost bearer
  bool open = false;
  bool skipping = false;  // left out up to its UNT
  size_t idkLine = 0;
  std::string_view ik, institutionType, verweis, partner02, partner03, paperOffice, name2, name3;
  std::string kurzname, name1;
  std::array<Address, 3> ans{};
  bool verweisTaken = false;
  bool invalid = false;
  int lastLink = -1;  // buffer of the last link segment, -1 when none
  std::array<std::vector<std::string>, kBufferCount> links;

  State(const BasisRules& r, DateNumber t, ReadOutput& o) : rules(r), today(t), out(o) {}

  bool taken(std::string_view line, size_t lineNumber);
  void start(std::string_view line, size_t lineNumber);
  void endOfFile();
  void segment(std::string_view line, size_t lineNumber);
  void validity(std::string_view line, size_t lineNumber);
  void addLink(LinkBuffer buffer, std::string_view type, std::string_view line);
  void write(bool toLog);
  void writeUnfinished();
  bool capExceeded() const;
  std::string capMessage() const;
};

// Whether the cost bearer of this IDK line is read; one left out is counted (and noted).
bool CostBearerReader::State::taken(std::string_view line, size_t lineNumber) {
  const std::string_view id = SegmentElements(line, Release::Honoured)[2];
  if (!isIk(id)) {
    out.notes.push_back("Kostenträger ohne gültige IK übergangen: " + std::string(fileName) + " Zeile " +
                        std::to_string(lineNumber) + ": " + pf::toUtf8(line, pf::CodePage::Latin1));
  } else if (kindIks[kindKey(fileName)].count(std::string(id))) {
    ++repeats;
  } else {
    fileIks.insert(std::string(id));
    return true;
  }
  ++out.passedOver;
  return false;
}

void CostBearerReader::State::start(std::string_view line, size_t lineNumber) {
  open = true;
  idkLine = lineNumber;
  SegmentElements e(line, Release::Honoured);
  ik = e[2];
  institutionType = rules.institutionType ? copyBytes(line, 15, 2) : std::string_view();
  kurzname = withoutRelease(e[4]);
  name1.clear();
  name2 = name3 = partner02 = partner03 = paperOffice = {};
  verweis = rules.verweisIsOwnIk ? ik : std::string_view();
  ans = {};
  verweisTaken = invalid = false;
  lastLink = -1;
  for (auto& b : links) b.clear();
}

void CostBearerReader::State::addLink(LinkBuffer buffer, std::string_view type, std::string_view line) {
  links[buffer].push_back(formatLinkLine(ik, type, line));
}

void CostBearerReader::State::segment(std::string_view line, size_t lineNumber) {
  if (line.starts_with("NAM")) {
    SegmentElements e(line, Release::Honoured);
    name1 = withoutRelease(e[3]);
    name2 = e[4];
    name3 = e[5];
  } else if (line.starts_with("ANS+")) {
    char which = line.size() > 4 ? line[4] : ' ';
    if (which < '1' || which > '3') return;
    SegmentElements e(line, Release::Ignored);
    ans[which - '1'] = Address{e[3], e[4], e[5]};
  } else if (line.starts_with("VKG+01")) {
    if (!(bnFile && verweisTaken)) verweis = copyBytes(line, 8, 9);
    verweisTaken = true;
    std::string_view delivery = copyBytes(line, 21, 2);
    if (bnFile && institutionType == "04" && (delivery == "21" || delivery == "23")) addLink(k02, "03", line);
  } else if (line.starts_with("VKG+04")) {
    if (rules.paperOffice) paperOffice = copyBytes(line, 8, 9);
  } else if (line.starts_with("VDT")) {
    validity(line, lineNumber);
  } else {
    for (int b = 0; b < kBufferCount; ++b) {
      if (!line.starts_with(kLinkSegment[b]) || (b == k09 && !rules.links09)) continue;
      addLink(static_cast<LinkBuffer>(b), kBufferLineType[b], line);
      lastLink = b;
      if (b == k02 && rules.partnerColumns) partner02 = copyBytes(line, 8, 9);
      if (b == k03 && rules.partnerColumns) partner03 = copyBytes(line, 8, 9);
    }
  }
}

// A VDT closes the validity of the entry before it. Only the date that decides is read: the
// to-date of the 22-byte form, the from-date of the 13-byte form; other lengths are passed over.
void CostBearerReader::State::validity(std::string_view line, size_t lineNumber) {
  std::string_view t = platform::trimView(line);
  bool toDate = t.size() == 22;
  if (!toDate && t.size() != 13) return;
  DateNumber date = eightDigits(toDate ? columns(t, 14, 21) : columns(t, 5, 12));
  if (date < 0) {
    out.notes.push_back("VDT ohne gültiges Datum übergangen: " + std::string(fileName) + " Zeile " +
                        std::to_string(lineNumber) + ": " + pf::toUtf8(t, pf::CodePage::Latin1));
    return;
  }
  bool outside = toDate ? date < today : date > today;
  if (!outside) return;
  if (lastLink >= 0 && !links[lastLink].empty()) links[lastLink].pop_back();
  lastLink = -1;
  invalid = true;
}

bool CostBearerReader::State::capExceeded() const {
  for (int b = 0; b < kBufferCount; ++b)
    if (links[b].size() > kCapacity[b]) return true;
  return false;
}

std::string CostBearerReader::State::capMessage() const {
  return "Annahmenstellen MIT/OHNE/PAPIER Tabellengröße überschritten!  " + std::to_string(links[k02].size()) +
         "/" + std::to_string(links[k03].size()) + "/" + std::to_string(links[k09].size());
}

void CostBearerReader::State::write(bool toLog) {
  Address a = chooseAddress(rules.address, ans);
  MainLineValues v;
  v[MainField::Ik] = ik;
  v[MainField::Verweis] = verweis;
  if (rules.partnerColumns) {
    v[MainField::Partner02] = partner02;
    v[MainField::Partner03] = partner03;
  } else {
    v[MainField::Partner03] = institutionType;
  }
  v[MainField::Kurzname] = kurzname;
  v[MainField::Name1] = name1;
  v[MainField::Plz] = a.plz;
  v[MainField::Ort] = a.ort;
  v[MainField::Strasse] = a.strasse;
  v[MainField::Kassenart] = kind;
  v[MainField::Papierannahme] = paperOffice;
  v[MainField::Name2] = name2;
  v[MainField::Name3] = name3;

  bool valid = !invalid && !toLog;
  std::string& dest = valid ? out.work : out.log;
  dest += formatMainLine(v, out.counter);
  dest += kCrLf;
  if (valid) ++out.counter, ++out.valid;
  for (const auto& buffer : links) {
    for (const std::string& link : buffer) {
      dest += link;
      dest += kCrLf;
      ++out.counter;
    }
  }
  open = false;
}

void CostBearerReader::State::writeUnfinished() {
  out.notes.push_back("Kostenträger ohne UNT in das Protokoll geschrieben: IK " +
                      pf::toUtf8(ik, pf::CodePage::Latin1) + ", " + std::string(fileName) + " Zeile " +
                      std::to_string(idkLine));
  write(true);
}

// The file's IKs join its kind's; the repeats it had are one note.
void CostBearerReader::State::endOfFile() {
  const std::string key = kindKey(fileName);
  std::vector<std::string>& earlier = kindFiles[key];
  if (repeats > 0) {
    std::string newer;
    for (const std::string& name : earlier) newer += (newer.empty() ? "" : ", ") + name;
    out.notes.push_back("Doppelte IK übergangen: " + std::to_string(repeats) + " Kostenträger in " +
                        std::string(fileName) + ", es gelten die aus " + newer);
  }
  earlier.emplace_back(fileName);
  kindIks[key].merge(fileIks);
  fileIks.clear();
  repeats = 0;
}

CostBearerReader::CostBearerReader(Basis basis, DateNumber today, ReadOutput& out)
    : state_(std::make_unique<State>(rulesFor(basis), today, out)) {}

CostBearerReader::~CostBearerReader() = default;

Status CostBearerReader::readFile(std::string_view fileName, std::string_view bytes) {
  State& s = *state_;
  s.fileName = fileName;
  s.kind = std::string(copyBytes(pf::fromUtf8(fileName, pf::CodePage::Windows1252), 1, 2));
  s.bnFile = s.rules.bnFiles && pf::toLowerAscii(fileName.substr(0, 2)) == "bn";
  s.open = s.skipping = false;

  LineSplitter lines(bytes);
  std::string_view line;
  while (lines.next(line)) {
    if (line.starts_with("IDK")) {
      if (s.open) s.writeUnfinished();
      s.skipping = !s.taken(line, lines.lineNumber());
      if (!s.skipping) s.start(line, lines.lineNumber());
      continue;
    }
    if (s.skipping && line.starts_with("UNT")) s.skipping = false;
    if (!s.open) continue;
    if (line.starts_with("UNT")) {
      s.write(false);
      continue;
    }
    s.segment(line, lines.lineNumber());
    RIVIZA_CHECK_DATA(!s.capExceeded(), kTableSizeExceeded, s.capMessage());
  }
  if (s.open) s.writeUnfinished();
  s.endOfFile();
  return okStatus();
}

}  // namespace riviza::costbearer
