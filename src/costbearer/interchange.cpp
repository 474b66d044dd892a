// The interchange frame of a cost-bearer file; see interchange.h.
#include "costbearer/interchange.h"

#include <string>
#include <utility>

#include "costbearer/segment.h"

namespace riviza::costbearer {

namespace {

using std::to_string;

// A count or reference of digits only; -1 for anything else.
long long digits(std::string_view s) {
  if (s.empty() || s.size() > 12) return -1;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

// A segment ends in its terminator "'" behind an even number of release characters ("??'" is a
// released "?" and then the terminator).
bool terminated(std::string_view seg) {
  if (!seg.ends_with('\'')) return false;
  size_t releases = 0;
  for (size_t i = seg.size() - 1; i > 0 && seg[i - 1] == '?'; --i) ++releases;
  return releases % 2 == 0;
}

// Three capital letters, a separator, no control byte, the terminator. Random or garbled bytes
// fail here before any count is read.
bool isSegment(std::string_view seg) {
  if (seg.size() < 5 || seg[3] != '+') return false;
  for (size_t i = 0; i < 3; ++i)
    if (seg[i] < 'A' || seg[i] > 'Z') return false;
  for (char c : seg)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return terminated(seg);
}

// UNA's separators, where the reader relies on them: data elements "+", release "?", segment
// terminator "'" (component separator, decimal mark and the reserved blank are not read).
bool defaultSeparators(std::string_view una) {
  return una.size() == 9 && una[4] == '+' && una[6] == '?' && una[8] == '\'';
}

// UNB element 5, "yymmdd:hhmm" or "yyyymmdd:hhmm", as yyyymmddhhmm (0 when unreadable).
long long preparedAt(std::string_view dateTime) {
  const size_t colon = dateTime.find(':');
  const std::string_view date = dateTime.substr(0, colon);
  long long day = digits(date);
  if (day < 0 || (date.size() != 6 && date.size() != 8)) return 0;
  if (date.size() == 6) day += 20000000;
  const std::string_view time = colon == std::string_view::npos ? "" : dateTime.substr(colon + 1);
  const long long hhmm = time.size() == 4 ? digits(time) : -1;
  return day * 10000 + (hhmm < 0 ? 0 : hhmm);
}

std::string_view withoutTrailingBlanks(std::string_view line) {
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.remove_suffix(1);
  return line;
}

class FrameCheck {
 public:
  explicit FrameCheck(std::string_view fileName) : fileName_(fileName) {}

  // One non-blank line (`last`: the file's last); an error when the frame breaks there.
  Status line(std::string_view seg, size_t n, bool last);
  Result<Interchange> end(size_t lastLine) const;

 private:
  enum class Where { Start, Between, Message, Done };

  Error damaged(size_t n, const std::string& what) const {
    return Error::make(kDamaged, "Kostenträgerdatei beschädigt: " + std::string(fileName_) + ", Zeile " +
                                     to_string(n) + ": " + what);
  }
  Status message(std::string_view tag, const SegmentElements& e, size_t n);
  Status between(std::string_view tag, const SegmentElements& e, size_t n);

  std::string_view fileName_;
  Where where_ = Where::Start;
  bool first_ = true;
  Interchange result_;
  std::string reference_, messageRef_;
  size_t messageLine_ = 0;
  long long segments_ = 0;
  int idk_ = 0;
};

Status FrameCheck::line(std::string_view seg, size_t n, bool last) {
  const bool first = std::exchange(first_, false);
  if (first && seg.starts_with("UNA")) {
    if (!defaultSeparators(seg)) return damaged(n, "UNA nennt andere Trennzeichen als + ' ?");
    first_ = true;  // UNB may still come first
    return okStatus();
  }
  if (where_ == Where::Done) return damaged(n, "Text nach UNZ");
  if (where_ == Where::Start && !seg.starts_with("UNB+"))
    return damaged(n, "die Datei beginnt nicht mit UNB, sie ist keine Kostenträgerdatei");
  if (!isSegment(seg))
    return damaged(n, last && !terminated(seg) ? "die Datei endet mitten im Segment, sie ist unvollständig"
                                               : "keine Segmentzeile");
  const std::string_view tag = seg.substr(0, 3);
  const SegmentElements e(seg, Release::Honoured);
  switch (where_) {
    case Where::Start:
      reference_ = e[6];
      result_.prepared = preparedAt(e[5]);
      where_ = Where::Between;
      return okStatus();
    case Where::Message:
      return message(tag, e, n);
    case Where::Between:
    case Where::Done:
      break;
  }
  return between(tag, e, n);
}

Status FrameCheck::message(std::string_view tag, const SegmentElements& e, size_t n) {
  const std::string ab = " der Nachricht ab Zeile " + to_string(messageLine_);
  if (tag == "UNH" || tag == "UNZ" || tag == "UNB") return damaged(n, std::string(tag) + " vor dem UNT" + ab);
  ++segments_;
  if (tag == "IDK") ++idk_;
  if (tag != "UNT") return okStatus();
  const long long gezaehlt = digits(e[2]);
  if (gezaehlt != segments_)
    return damaged(n,
                   "UNT zählt " + std::string(e[2]) + " Segmente, die Nachricht hat " + to_string(segments_));
  if (e[3] != messageRef_)
    return damaged(n, "UNT nennt die Nachricht " + std::string(e[3]) + ", UNH " + messageRef_);
  if (idk_ != 1)
    return damaged(n, "die Nachricht ab Zeile " + to_string(messageLine_) + " hat " + to_string(idk_) +
                          " IDK-Segmente statt einem");
  ++result_.messages;
  where_ = Where::Between;
  return okStatus();
}

Status FrameCheck::between(std::string_view tag, const SegmentElements& e, size_t n) {
  if (tag == "UNH") {
    const std::string_view type = e[3].substr(0, e[3].find(':'));
    if (type != "KOTR") return damaged(n, "UNH ist keine Kostenträgernachricht (KOTR)");
    messageRef_ = e[2];
    messageLine_ = n;
    segments_ = 1;
    idk_ = 0;
    where_ = Where::Message;
    return okStatus();
  }
  if (tag != "UNZ") return damaged(n, std::string(tag) + " außerhalb einer Nachricht");
  if (digits(e[2]) != result_.messages)
    return damaged(
        n, "UNZ zählt " + std::string(e[2]) + " Nachrichten, die Datei hat " + to_string(result_.messages));
  if (e[3] != reference_)
    return damaged(n, "UNZ nennt die Übertragung " + std::string(e[3]) + ", UNB " + reference_);
  if (result_.messages == 0) return damaged(n, "die Datei enthält keinen Kostenträger");
  where_ = Where::Done;
  return okStatus();
}

Result<Interchange> FrameCheck::end(size_t lastLine) const {
  const size_t n = lastLine == 0 ? 1 : lastLine;
  switch (where_) {
    case Where::Start:
      return damaged(n, lastLine == 0 ? "die Datei ist leer" : "kein UNB, keine Kostenträgerdatei");
    case Where::Message:
      return damaged(n,
                     "die Datei endet in der Nachricht ab Zeile " + to_string(messageLine_) + ", ohne UNT");
    case Where::Between:
      return damaged(n, "die Datei endet ohne UNZ, sie ist unvollständig");
    case Where::Done:
      break;
  }
  return result_;
}

}  // namespace

Result<Interchange> checkInterchange(std::string_view fileName, std::string_view bytes) {
  FrameCheck frame(fileName);
  LineSplitter lines(bytes);
  std::string_view line;
  size_t last = 0;
  while (lines.next(line)) {
    last = lines.lineNumber();
    const std::string_view seg = withoutTrailingBlanks(line);
    if (seg.empty()) continue;
    RIVIZA_TRY(frame.line(seg, last, lines.atEnd()));
  }
  return frame.end(last);
}

}  // namespace riviza::costbearer
