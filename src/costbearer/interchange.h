// The interchange frame of a cost-bearer file, checked before a reader takes its lines
// (cost-bearer domain; pure, no file access).
//
// A published cost-bearer file is one EDIFACT interchange, one segment per line:
//
//   UNA:+,? '                      optional; only the separators "+", "'" and "?" are read
//   UNB+UNOC:3+<from>+<to>+<yymmdd or yyyymmdd>:<hhmm>+<reference>++<name>'
//   UNH+<ref>+KOTR...'             one message per cost bearer ...
//   IDK+...'                       ... with exactly one IDK
//   ...
//   UNT+<segments UNH..UNT>+<ref>' the message's segment count and UNH's reference
//   UNZ+<messages>+<reference>'    the message count and UNB's reference; nothing after it
//
// A file cut short (by a transfer or a full disk), garbled or of another kind breaks the frame
// or its counts, and is refused with its name, the line where the break shows and what broke, in
// German. Lines may end in CR LF, LF or CR, the last one without; blank lines are passed over and
// blanks after a segment's terminator are allowed. The UNB date and time are not checked (real
// files carry 6 and 8 digits): they only order files of one kind (kosttr_reader.h).
#pragma once

#include <string_view>

#include "platform/result.h"

namespace riviza::costbearer {

// Error code of a file whose frame is broken; the message names file and line.
constexpr int kDamaged = 2;

struct Interchange {
  long long prepared = 0;  // UNB date and time as yyyymmddhhmm; 0 when it cannot be read
  int messages = 0;        // at least 1
};

// Checks the frame of one file; `fileName` (UTF-8) is named in the message.
Result<Interchange> checkInterchange(std::string_view fileName, std::string_view bytes);

}  // namespace riviza::costbearer
