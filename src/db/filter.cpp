// Filter texts to SQL (db layer); see filter.h for the language and its meaning.
#include "db/filter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "db/errors.h"
#include "db/table_file.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/text.h"

namespace riviza::db {
namespace {

enum class Tok { End, Word, Number, Quoted, Op, LParen, RParen, And, Or };

struct Token {
  Tok kind = Tok::End;
  std::string text;     // a quoted value without its quotes, doubled quotes and stars undone
  bool prefix = false;  // a quoted value ended in a single "*", which `text` no longer holds
};

Error syntaxError(std::string_view filter, std::string_view why) {
  return Error::make(kFilterSyntax,
                     "Filter nicht verstanden (" + std::string(why) + "): " + std::string(filter));
}

bool isWordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;  // field names carry umlauts
}

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Result<Token> next() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    if (pos_ >= s_.size()) return Token{};
    char c = s_[pos_];
    if (c == '(' || c == ')') {
      ++pos_;
      return Token{c == '(' ? Tok::LParen : Tok::RParen, std::string(1, c)};
    }
    if (c == '\'') return quoted();
    if (c == '=' || c == '<' || c == '>') return op();
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        ((c == '-' || c == '+') && pos_ + 1 < s_.size() &&
         std::isdigit(static_cast<unsigned char>(s_[pos_ + 1]))))
      return number();
    if (isWordChar(static_cast<unsigned char>(c))) return word();
    return syntaxError(s_, std::string("Zeichen ") + c);
  }

 private:
  // A doubled quote or "*" stands for one; a single "*" just before the closing quote marks a
  // prefix test, a single one elsewhere is a plain character.
  Result<Token> quoted() {
    Token t{Tok::Quoted, {}};
    bool singleStarLast = false;
    for (++pos_; pos_ < s_.size(); ++pos_) {
      const char c = s_[pos_];
      const bool doubled = (c == '\'' || c == '*') && pos_ + 1 < s_.size() && s_[pos_ + 1] == c;
      if (c == '\'' && !doubled) {
        ++pos_;
        if (singleStarLast) {
          t.text.pop_back();
          t.prefix = true;
        }
        return t;
      }
      t.text += c;
      singleStarLast = c == '*' && !doubled;
      if (doubled) ++pos_;
    }
    return syntaxError(s_, "Anführungszeichen nicht geschlossen");
  }

  Result<Token> op() {
    std::string o(1, s_[pos_++]);
    if (pos_ < s_.size() && (s_[pos_] == '=' || (o == "<" && s_[pos_] == '>'))) o += s_[pos_++];
    if (o == "=>" || o == "==") return syntaxError(s_, "Operator " + o);
    return Token{Tok::Op, o};
  }

  Result<Token> number() {
    size_t start = pos_++;
    while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) ||
                                s_[pos_] == '.' || s_[pos_] == ','))
      ++pos_;
    if (pos_ < s_.size() && isWordChar(static_cast<unsigned char>(s_[pos_])))
      return syntaxError(s_, "Zahl");
    return Token{Tok::Number, std::string(s_.substr(start, pos_ - start))};
  }

  Token word() {
    size_t start = pos_;
    while (pos_ < s_.size() && isWordChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    std::string w(s_.substr(start, pos_ - start));
    std::string upper = platform::toUpperAscii(w);
    if (upper == "AND") return Token{Tok::And, w};
    if (upper == "OR") return Token{Tok::Or, w};
    return Token{Tok::Word, w};
  }

  std::string_view s_;
  size_t pos_ = 0;
};

// Recursive descent: or := and {OR and}; and := primary {AND primary};
// primary := "(" or ")" | field op [value].
class Compiler {
 public:
  Compiler(std::string_view text, const TableStructure& s, FilterOptions o)
      : text_(text), lexer_(text), s_(s), opt_(o) {}

  Result<CompiledFilter> run() {
    RIVIZA_TRY(advance());
    auto sql = orExpr();
    if (!sql) return sql.error();
    if (tok_.kind != Tok::End) return syntaxError(text_, "überzählig: " + tok_.text);
    return CompiledFilter{*sql, std::move(params_), std::move(fields_)};
  }

 private:
  Status advance() {
    auto t = lexer_.next();
    if (!t) return t.error();
    tok_ = std::move(*t);
    return okStatus();
  }

  Result<std::string> orExpr() { return chain(Tok::Or, " OR ", &Compiler::andExpr); }
  Result<std::string> andExpr() { return chain(Tok::And, " AND ", &Compiler::primary); }

  // operand {joiner operand}, left to right.
  Result<std::string> chain(Tok joiner, const char* sqlWord, Result<std::string> (Compiler::*operand)()) {
    auto left = (this->*operand)();
    if (!left) return left;
    std::string sql = *left;
    while (tok_.kind == joiner) {
      RIVIZA_TRY(advance());
      auto right = (this->*operand)();
      if (!right) return right;
      sql.insert(0, "(").append(sqlWord).append(*right).append(")");
    }
    return sql;
  }

  Result<std::string> primary() {
    if (tok_.kind == Tok::LParen) {
      RIVIZA_TRY(advance());
      auto inner = orExpr();
      if (!inner) return inner;
      if (tok_.kind != Tok::RParen) return syntaxError(text_, "Klammer nicht geschlossen");
      RIVIZA_TRY(advance());
      return inner;
    }
    if (tok_.kind != Tok::Word) return syntaxError(text_, "Feldname erwartet");
    int field = findField(tok_.text);
    if (field < 0) return syntaxError(text_, "Feld unbekannt: " + tok_.text);
    if (std::find(fields_.begin(), fields_.end(), field) == fields_.end()) fields_.push_back(field);
    RIVIZA_TRY(advance());
    if (tok_.kind != Tok::Op) return syntaxError(text_, "Vergleich erwartet");
    std::string op = tok_.text;
    RIVIZA_TRY(advance());
    if (tok_.kind == Tok::End || tok_.kind == Tok::And || tok_.kind == Tok::Or ||
        tok_.kind == Tok::RParen)
      return std::string("0");  // a missing value selects nothing
    if (tok_.kind != Tok::Quoted && tok_.kind != Tok::Number)
      return syntaxError(text_, "Wert erwartet: " + tok_.text);
    Token value = tok_;
    RIVIZA_TRY(advance());
    return term(field, op, value);
  }

  int findField(std::string_view name) const {
    for (size_t i = 0; i < s_.fields.size(); ++i)
      if (platform::equalsIgnoreCase(s_.fields[i].name, name)) return static_cast<int>(i);
    return -1;
  }

  std::string bind(Value v) {
    params_.push_back(std::move(v));
    return "?";
  }

  Result<std::string> term(int field, const std::string& op, const Token& value) {
    const FieldDef& f = s_.fields[static_cast<size_t>(field)];
    if (isTextType(f.type)) return textTerm(field, op, value);
    std::string col = filterColumnExpression(field, f.type);
    if (value.prefix) return syntaxError(text_, "Präfix auf einem Feld ohne Text");
    if (value.kind == Tok::Quoted && value.text.empty()) {
      if (op == "=") return col + " IS NULL";
      if (op == "<>") return col + " IS NOT NULL";
      return syntaxError(text_, "leerer Wert");
    }
    auto v = typedValue(f, value);
    if (!v) return v.error();
    return col + " " + op + " " + bind(std::move(*v));
  }

  Result<std::string> textTerm(int field, const std::string& op, const Token& value) {
    std::string col = filterColumnExpression(field, s_.fields[static_cast<size_t>(field)].type, opt_);
    std::string v = opt_.caseInsensitive ? platform::foldCase(value.text) : value.text;
    const bool prefix = value.prefix && (op == "=" || op == "<>");
    if (value.prefix && !prefix) v += '*';  // compared by order: a plain character
    if (!prefix) return col + " " + op + " " + bind(std::move(v));
    params_.emplace_back(static_cast<long long>(platform::utf8Length(v)));
    params_.emplace_back(std::move(v));
    // substr(COL, 1, ?) = ? over the folded column, in one call that folds and compares only the
    // prefix instead of copying and folding every record's whole field (prefixFunction).
    std::string test = std::string(opt_.caseInsensitive ? "riviza_fold_prefix(" : "riviza_prefix(") +
                       columnName(field) + ",?,?)";
    return op == "=" ? test : "NOT " + test;
  }

  Result<Value> typedValue(const FieldDef& f, const Token& value) {
    std::string t = value.text;
    switch (f.type) {
      case FieldType::Date: {
        auto d = value.kind == Tok::Quoted ? platform::parseDate(t) : std::nullopt;
        if (!d) return syntaxError(text_, "kein Datum: " + t);
        return Value(storedDate(*d));
      }
      case FieldType::Time: {
        auto tm = value.kind == Tok::Quoted ? platform::parseTime(t) : std::nullopt;
        if (!tm) return syntaxError(text_, "keine Uhrzeit: " + t);
        return Value(platform::formatTime(*tm));
      }
      case FieldType::Logical: {
        std::string u = platform::toUpperAscii(t);
        if (u == "1" || u == "TRUE" || u == "T") return Value(1LL);
        if (u == "0" || u == "FALSE" || u == "F") return Value(0LL);
        return syntaxError(text_, "kein Wahrheitswert: " + t);
      }
      default:
        break;
    }
    for (char& c : t)
      if (c == '.') c = ',';
    auto d = platform::parseFloat(t);
    if (!d) return syntaxError(text_, "keine Zahl: " + value.text);
    if (isIntegerType(f.type) && std::floor(*d) == *d) return Value(static_cast<long long>(*d));
    return Value(*d);
  }

  std::string_view text_;
  Lexer lexer_;
  const TableStructure& s_;
  FilterOptions opt_;
  Token tok_;
  std::vector<Value> params_;
  std::vector<int> fields_;
};

// A text argument's bytes as they are stored. sqlite3_value_text would first copy a column's
// text to add its terminating zero; the blob view hands out the same bytes without that copy.
std::string_view textOf(sqlite3_value* v) {
  const void* p = sqlite3_value_type(v) == SQLITE_TEXT ? sqlite3_value_blob(v) : sqlite3_value_text(v);
  return p ? std::string_view(static_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v)))
           : std::string_view();
}

void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const std::string_view text = textOf(argv[0]);
  // A filter folds every record's field: folded straight into the result's buffer, not copied.
  auto* out = static_cast<char*>(sqlite3_malloc64(text.size() + 1));
  if (!out) {
    sqlite3_result_error_nomem(ctx);
    return;
  }
  platform::foldCaseInto(text, out);
  sqlite3_result_text64(ctx, out, text.size(), sqlite3_free, SQLITE_UTF8);
}

// PREFIX(COL, N, P): whether substr(coalesce(COL,''), 1, N) = P, folded first for the
// case-insensitive form. The N characters are counted as substr counts them (a byte from 0xC0
// takes the continuation bytes after it; a zero byte ends the text). Folding keeps every byte's
// place and kind, so the folded prefix is the prefix of the folded text.
template <bool kFold>
void prefixFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::string_view text = textOf(argv[0]);
  long long chars = sqlite3_value_int64(argv[1]);
  const std::string_view prefix = textOf(argv[2]);
  size_t end = 0;
  for (; chars > 0 && end < text.size() && text[end] != '\0'; --chars) {
    if (static_cast<unsigned char>(text[end++]) < 0xC0) continue;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  bool same = end == prefix.size();
  if (same && kFold) {
    char folded[256];
    std::string longer;
    char* out = end <= sizeof folded ? folded : (longer.resize(end), longer.data());
    platform::foldCaseInto(text.substr(0, end), out);
    same = prefix == std::string_view(out, end);
  } else if (same) {
    same = prefix == text.substr(0, end);
  }
  sqlite3_result_int(ctx, same ? 1 : 0);
}

}  // namespace

std::string filterColumnExpression(int position, FieldType type, FilterOptions options) {
  if (!isTextType(type)) return columnName(position);
  std::string col = "coalesce(" + columnName(position) + ",'')";
  return options.caseInsensitive ? "riviza_fold(" + col + ")" : col;
}

Result<CompiledFilter> compileFilter(std::string_view text, const TableStructure& structure,
                                     FilterOptions options) {
  if (platform::trimView(text).empty()) return CompiledFilter{};
  return Compiler(text, structure, options).run();
}

Status registerFilterFunctions(const Database& db) {
  RIVIZA_TRY(db.defineFunction("riviza_fold", foldFunction, "Filterfunktion"));
  RIVIZA_TRY(db.defineFunction("riviza_prefix", prefixFunction<false>, "Filterfunktion", 3));
  return db.defineFunction("riviza_fold_prefix", prefixFunction<true>, "Filterfunktion", 3);
}

std::string quoteFilterValue(std::string_view value, bool prefix) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'' || c == '*') out += c;
  }
  if (prefix) out += '*';
  return out + "'";
}

}  // namespace riviza::db
