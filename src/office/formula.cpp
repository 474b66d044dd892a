// Formula references and results (office layer); see formula.h.
#include "office/formula.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <vector>

#include "office/a1.h"
#include "office/worksheet.h"
#include "platform/codec.h"

namespace riviza::office {
namespace {

bool isWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
         c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A cell reference token ("B7", "$B$7") with its row moved; the token unchanged otherwise.
std::string shiftCellToken(std::string_view token, int at, int count) {
  auto ref = parseA1(token);
  if (!ref || ref->row < at) return std::string(token);
  size_t digits = token.size();
  while (digits > 0 && isDigit(token[digits - 1])) --digits;
  return std::string(token.substr(0, digits)) + std::to_string(std::min(ref->row + count, kMaxRows));
}

// A row-range part ("3" of "3:5", "$3").
std::string shiftRowToken(std::string_view token, int at, int count) {
  const bool dollar = !token.empty() && token[0] == '$';
  int row = 0;
  auto [p, ec] = std::from_chars(token.data() + (dollar ? 1 : 0), token.data() + token.size(), row);
  if (ec != std::errc() || p != token.data() + token.size() || row < at) return std::string(token);
  return (dollar ? "$" : "") + std::to_string(std::min(row + count, kMaxRows));
}

bool isRowToken(std::string_view t) {
  if (!t.empty() && t[0] == '$') t.remove_prefix(1);
  return !t.empty() && std::all_of(t.begin(), t.end(), isDigit);
}

// The end of a text literal ("..." with "" inside) that begins at `from`.
size_t literalEnd(std::string_view f, size_t from) {
  size_t j = from + 1;
  while (j < f.size() && !(f[j] == '"' && (j + 1 >= f.size() || f[j + 1] != '"'))) j += f[j] == '"' ? 2 : 1;
  return std::min(j + 1, f.size());
}

// The end of a quoted sheet name ('...' with '' inside) that begins at `from`; the name unquoted.
size_t quotedNameEnd(std::string_view f, size_t from, std::string& name) {
  size_t j = from + 1;
  while (j < f.size() && !(f[j] == '\'' && (j + 1 >= f.size() || f[j + 1] != '\''))) {
    if (f[j] == '\'') ++j;
    name += f[j++];
  }
  return std::min(j + 1, f.size());
}

size_t wordEnd(std::string_view f, size_t from) {
  while (from < f.size() && isWordChar(f[from])) ++from;
  return from;
}

// One word of a formula that is no sheet name: a cell or a row-range part with its row moved, a
// function name or anything else as it stands.
std::string shiftedWord(std::string_view f, size_t begin, size_t end, int at, int count) {
  const std::string_view word = f.substr(begin, end - begin);
  if (end < f.size() && f[end] == '(') return std::string(word);  // a function
  if (parseA1(word)) return shiftCellToken(word, at, count);
  if (isRowToken(word) && ((end < f.size() && f[end] == ':') || (begin > 0 && f[begin - 1] == ':')))
    return shiftRowToken(word, at, count);
  return std::string(word);
}

}  // namespace

// A scan over the formula's tokens: literals are copied, a sheet name (quoted or not) decides
// whether the reference after it is ours, and the words of our references are shifted.
std::string shiftRowReferences(std::string_view f, std::string_view sheetName, bool qualifiedOnly, int at,
                               int count) {
  std::string out;
  out.reserve(f.size() + 8);
  bool applies = !qualifiedOnly;
  size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    if (c == '"') {
      const size_t j = literalEnd(f, i);
      out.append(f.substr(i, j - i));
      i = j;
    } else if (c == '\'') {
      std::string name;
      const size_t j = quotedNameEnd(f, i, name);
      out.append(f.substr(i, j - i));
      i = j;
      if (i < f.size() && f[i] == '!') {
        out += f[i++];
        applies = platform::equalsIgnoreCase(name, sheetName);
      }
    } else if (isWordChar(c)) {
      const size_t end = wordEnd(f, i);
      if (end < f.size() && f[end] == '!') {  // an unquoted sheet name
        applies = platform::equalsIgnoreCase(f.substr(i, end - i), sheetName);
        out.append(f.substr(i, end + 1 - i));
        i = end + 1;
        continue;
      }
      out += applies ? shiftedWord(f, i, end, at, count) : std::string(f.substr(i, end - i));
      i = end;
      // The second half of "A1:B2" belongs to the same sheet as the first.
      if (!(i < f.size() && f[i] == ':')) applies = !qualifiedOnly;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

namespace {

// A recursive-descent reader of the formula kinds named in formula.h.
class Evaluator {
 public:
  Evaluator(std::string_view f, const Worksheet& sheet, int depth) : f_(f), sheet_(sheet), depth_(depth) {}

  std::optional<double> run() {
    if (f_.empty() || f_[0] != '=' || depth_ > 16) return std::nullopt;
    pos_ = 1;
    std::vector<double> values;
    if (!argument(values) || values.size() != 1 || !atEnd()) return std::nullopt;
    return values[0];
  }

 private:
  void skipBlanks() {
    while (pos_ < f_.size() && f_[pos_] == ' ') ++pos_;
  }
  bool atEnd() {
    skipBlanks();
    return pos_ == f_.size();
  }
  std::string_view word() {
    skipBlanks();
    const size_t from = pos_;
    while (pos_ < f_.size() && isWordChar(f_[pos_])) ++pos_;
    return f_.substr(from, pos_ - from);
  }

  // One argument: its numbers appended (a range gives each number it holds).
  bool argument(std::vector<double>& values) {
    skipBlanks();
    if (pos_ < f_.size() && (isDigit(f_[pos_]) || f_[pos_] == '-')) {
      double d = 0;
      auto [p, ec] = std::from_chars(f_.data() + pos_, f_.data() + f_.size(), d);
      if (ec != std::errc()) return false;
      pos_ = static_cast<size_t>(p - f_.data());
      values.push_back(d);
      return true;
    }
    const std::string_view name = word();
    if (name.empty()) return false;
    skipBlanks();
    if (pos_ < f_.size() && f_[pos_] == '(') return call(name, values);
    auto first = parseA1(name);
    if (!first) return false;
    CellRef last = *first;
    if (pos_ < f_.size() && f_[pos_] == ':') {
      ++pos_;
      auto second = parseA1(word());
      if (!second) return false;
      last = *second;
    }
    return cells(*first, last, values, first == last);
  }

  bool cells(CellRef a, CellRef b, std::vector<double>& values, bool single) {
    const int r1 = std::min(a.row, b.row), r2 = std::min(std::max(a.row, b.row), sheet_.usedRows());
    const int c1 = std::min(a.column, b.column), c2 = std::max(a.column, b.column);
    if (single && r1 > sheet_.usedRows()) {
      values.push_back(0);  // a reference to an empty cell counts as 0
      return true;
    }
    for (int r = r1; r <= r2; ++r)
      for (int c = c1; c <= c2; ++c) {
        const Cell* cell = sheet_.cell(r, c);
        if (!cell) {
          if (single) values.push_back(0);
          continue;
        }
        if (cell->kind == CellKind::Number || cell->kind == CellKind::Date) {
          values.push_back(cell->number);
        } else if (cell->kind == CellKind::Formula) {
          auto v = Evaluator(sheet_.text(cell->text), sheet_, depth_ + 1).run();
          if (!v) return false;
          values.push_back(*v);
        } else if (single) {
          if (cell->kind != CellKind::Empty) return false;  // text in arithmetic: #VALUE!
          values.push_back(0);
        }
      }
    return true;
  }

  bool call(std::string_view name, std::vector<double>& out) {
    ++pos_;  // "("
    std::vector<double> values;
    skipBlanks();
    if (pos_ < f_.size() && f_[pos_] != ')') {
      for (;;) {
        if (!argument(values)) return false;
        skipBlanks();
        if (pos_ < f_.size() && f_[pos_] == ',') {
          ++pos_;
          continue;
        }
        break;
      }
    }
    skipBlanks();
    if (pos_ >= f_.size() || f_[pos_] != ')') return false;
    ++pos_;
    const std::string fn = platform::toUpperAscii(name);
    double sum = 0;
    for (double v : values) sum += v;
    if (fn == "SUM") {
      out.push_back(sum);
    } else if (fn == "MIN" || fn == "MAX") {
      if (values.empty()) {
        out.push_back(0);
      } else {
        auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        out.push_back(fn == "MIN" ? *lo : *hi);
      }
    } else if (fn == "AVERAGE") {
      if (values.empty()) return false;
      out.push_back(sum / static_cast<double>(values.size()));
    } else if (fn == "COUNT") {
      out.push_back(static_cast<double>(values.size()));
    } else {
      return false;
    }
    return true;
  }

  std::string_view f_;
  const Worksheet& sheet_;
  int depth_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<double> evaluateFormula(std::string_view formula, const Worksheet& sheet) {
  return Evaluator(formula, sheet, 0).run();
}

}  // namespace riviza::office
