// Field values and their conversions (db layer); see TField.h.
#include "db/TField.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "db/TTable.h"
#include "db/errors.h"
#include "platform/codec.h"

namespace riviza::db {
namespace {

int defaultDisplayWidth(const FieldDef& d) {
  switch (d.type) {
    case FieldType::Alpha: return d.size;
    case FieldType::Short: return 6;
    case FieldType::LongInt:
    case FieldType::AutoInc: return 11;
    case FieldType::Logical: return 5;
    case FieldType::Time: return 8;
    default: return 10;  // Number, Money, Date, Memo
  }
}

// Cuts UTF-8 text after `chars` code points.
std::string cutToChars(std::string_view text, int chars) {
  // No more bytes than characters allowed: nothing to cut, and no need to walk the text.
  if (text.size() <= static_cast<size_t>(std::max(chars, 0))) return std::string(text);
  size_t pos = 0;
  for (int n = 0; n < chars && pos < text.size(); ++n) platform::nextCodePoint(text, pos);
  return std::string(text.substr(0, pos));
}

std::optional<bool> parseFlag(std::string_view text) {
  std::string u = platform::toUpperAscii(text);
  for (const char* yes : {"TRUE", "T", "JA", "J", "YES", "Y", "1"})
    if (u == yes) return true;
  for (const char* no : {"FALSE", "F", "NEIN", "N", "NO", "0"})
    if (u == no) return false;
  return std::nullopt;
}

bool inRange(FieldType t, long long v) {
  if (t == FieldType::Short) return v >= -32768 && v <= 32767;
  return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

const Value kNull{};

}  // namespace

std::string formatFloatText(double v) {
  if (v == 0) return "0";
  char buf[40];
  // 15 significant digits in the shortest general form, the same whatever the process locale.
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string s(buf, ec == std::errc() ? end : buf);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '.') {
      out += ',';
    } else if (c == 'e') {
      out += 'E';
      size_t j = i + 1;
      if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
        if (s[j] == '-') out += '-';
        ++j;
      }
      while (j + 1 < s.size() && s[j] == '0') ++j;
      out += s.substr(j);
      break;
    } else {
      out += c;
    }
  }
  return out;
}

TField::TField(TTable& table, int index, FieldDef def)
    : table_(&table), index_(index), def_(std::move(def)), displayWidth_(defaultDisplayWidth(def_)) {}

const Value& TField::value() const {
  if (!table_->active() || static_cast<size_t>(index_) >= table_->record_.size()) return kNull;
  return table_->record_[static_cast<size_t>(index_)];
}

bool TField::isNull() const { return db::isNull(value()); }

std::string fieldText(FieldType type, const Value& v) {
  if (db::isNull(v)) return {};
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (type == FieldType::Date) {
      auto d = dateFromStored(*s);
      return d ? platform::formatDate(*d) : std::string();
    }
    return *s;
  }
  if (const auto* d = std::get_if<double>(&v)) return formatFloatText(*d);
  long long i = std::get<long long>(v);
  if (type == FieldType::Logical) return i ? "True" : "False";
  return std::to_string(i);
}

std::string TField::asString() const { return fieldText(def_.type, value()); }

namespace {

Error conversionErrorOf(const FieldDef& def, std::string_view text, std::string_view what) {
  return Error::make(kConversion, "'" + std::string(text) + "' ist kein gültiger " + std::string(what) +
                                      " (Feld " + def.name + ")");
}

}  // namespace

Error TField::conversionError(std::string_view text, std::string_view what) const {
  return conversionErrorOf(def_, text, what);
}

Result<long long> integerOf(const FieldDef& def, const Value& v) {
  if (isTextType(def.type)) {
    std::string s = fieldText(def.type, v);
    auto i = platform::parseInt(s);
    if (!i) return conversionErrorOf(def, s, "Integerwert");
    return *i;
  }
  if (def.type == FieldType::Date || def.type == FieldType::Time)
    return conversionErrorOf(def, fieldText(def.type, v), "Integerwert");
  if (const auto* d = std::get_if<double>(&v)) return static_cast<long long>(std::nearbyint(*d));
  if (const auto* i = std::get_if<long long>(&v)) return *i;
  return 0LL;
}

Result<long long> TField::asInteger() const { return integerOf(def_, value()); }

Result<double> TField::asFloat() const {
  const Value& v = value();
  if (isTextType(def_.type)) {
    std::string s = asString();
    auto d = platform::parseFloat(s);
    if (!d) return conversionError(s, "Gleitkommawert");
    return *d;
  }
  if (def_.type == FieldType::Date) {
    auto d = asDate();
    return d ? platform::toDateTimeNumber(*d) : 0.0;
  }
  if (def_.type == FieldType::Logical || def_.type == FieldType::Time)
    return conversionError(asString(), "Gleitkommawert");
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<long long>(&v)) return static_cast<double>(*i);
  return 0.0;
}

bool flagValue(const Value& v) {
  if (const auto* i = std::get_if<long long>(&v)) return *i != 0;
  if (const auto* d = std::get_if<double>(&v)) return *d != 0;
  if (const auto* s = std::get_if<std::string>(&v)) return parseFlag(*s).value_or(false);
  return false;
}

bool TField::asBoolean() const { return flagValue(value()); }

std::optional<platform::DateTime> TField::asDate() const {
  const Value& v = value();
  const auto* s = std::get_if<std::string>(&v);
  if (!s) return std::nullopt;
  if (def_.type == FieldType::Date) return dateFromStored(*s);
  if (isTextType(def_.type)) return platform::parseDate(*s);
  return std::nullopt;
}

Status TField::writable() const {
  if (!table_->active()) return Error::make(kInactive, "Tabelle ist nicht geöffnet");
  if (table_->state_ != TableState::Edit && table_->state_ != TableState::Insert)
    return Error::make(kNotEditing, "Datenmenge nicht im Bearbeitungs- oder Einfügemodus");
  if (readOnly()) return Error::make(kReadOnlyField, "Feld '" + def_.name + "' kann nicht geändert werden");
  return okStatus();
}

Status TField::store(Value v) {
  RIVIZA_TRY(writable());
  table_->record_[static_cast<size_t>(index_)] = std::move(v);
  table_->fieldStored(index_);
  return okStatus();
}

Status TField::storeCopy(const Value& v) {
  // Edit and Insert imply an open table: one test on the path a bulk copy takes per field.
  const TableState state = table_->state_;
  if ((state != TableState::Edit && state != TableState::Insert) || readOnly()) return writable();
  table_->record_[static_cast<size_t>(index_)] = v;
  table_->fieldStored(index_);
  return okStatus();
}

Result<Value> storedFromText(const FieldDef& def, std::string_view text) {
  if (text.empty()) return Value{};
  switch (def.type) {
    case FieldType::Alpha:
      return Value(cutToChars(text, def.size));
    case FieldType::Memo:
      return Value(std::string(text));
    case FieldType::Number:
    case FieldType::Money: {
      auto d = platform::parseFloat(text);
      if (!d) return conversionErrorOf(def, text, "Gleitkommawert");
      return Value(*d);
    }
    case FieldType::Short:
    case FieldType::LongInt:
    case FieldType::AutoInc: {
      auto i = platform::parseInt(text);
      if (!i) return conversionErrorOf(def, text, "Integerwert");
      return storedFromInteger(def, *i);
    }
    case FieldType::Logical: {
      auto b = parseFlag(text);
      if (!b) return conversionErrorOf(def, text, "Wahrheitswert");
      return Value(static_cast<long long>(*b));
    }
    case FieldType::Date: {
      auto d = platform::parseDate(text);
      if (!d) return conversionErrorOf(def, text, "Datumswert");
      return Value(storedDate(*d));
    }
    case FieldType::Time: {
      auto t = platform::parseTime(text);
      if (!t) return conversionErrorOf(def, text, "Zeitwert");
      return Value(platform::formatTime(*t));
    }
  }
  return conversionErrorOf(def, text, "Wert");
}

Result<Value> storedFromInteger(const FieldDef& def, long long v) {
  if (isTextType(def.type)) return storedFromText(def, std::to_string(v));
  if (isFloatType(def.type)) return Value(static_cast<double>(v));
  if (def.type == FieldType::Logical) return Value(static_cast<long long>(v != 0));
  if (isIntegerType(def.type)) {
    if (!inRange(def.type, v)) return conversionErrorOf(def, std::to_string(v), "Integerwert");
    return Value(v);
  }
  return conversionErrorOf(def, std::to_string(v), "Wert");
}

Result<Value> storedFromFlag(const FieldDef& def, bool v) {
  if (def.type == FieldType::Logical) return Value(static_cast<long long>(v));
  if (isTextType(def.type)) return storedFromText(def, v ? "True" : "False");
  if (isIntegerType(def.type) || isFloatType(def.type)) return storedFromInteger(def, v ? 1 : 0);
  return conversionErrorOf(def, v ? "True" : "False", "Wert");
}

Result<Value> assignedValue(const FieldDef& from, const Value& v, const FieldDef& to) {
  if (from.type != to.type) return storedFromText(to, fieldText(from.type, v));
  if (to.type == FieldType::Alpha)
    if (const auto* s = std::get_if<std::string>(&v); s && s->size() > static_cast<size_t>(to.size))
      return Value(cutToChars(*s, to.size));
  return v;
}

Status TField::setAsString(std::string_view text) {
  auto v = storedFromText(def_, text);
  if (!v) return v.error();
  return store(std::move(*v));
}

Status TField::setAsInteger(long long v) {
  auto stored = storedFromInteger(def_, v);
  if (!stored) return stored.error();
  return store(std::move(*stored));
}

Status TField::setAsFloat(double v) {
  if (isFloatType(def_.type)) return store(v);
  if (isIntegerType(def_.type)) return setAsInteger(static_cast<long long>(std::nearbyint(v)));
  if (isTextType(def_.type)) return setAsString(formatFloatText(v));
  if (def_.type == FieldType::Date) return store(storedDate(platform::fromDateTimeNumber(v)));
  return conversionError(formatFloatText(v), "Wert");
}

Status TField::setAsBoolean(bool v) {
  auto stored = storedFromFlag(def_, v);
  if (!stored) return stored.error();
  return store(std::move(*stored));
}

Status TField::clear() { return store(std::monostate{}); }

Status TField::assign(const TField& source) {
  if (source.dataType() != def_.type) return setAsString(source.asString());
  const Value& v = source.value();
  // A text of no more bytes than the field has characters cannot be too long.
  if (def_.type == FieldType::Alpha)
    if (const auto* s = std::get_if<std::string>(&v); s && s->size() > static_cast<size_t>(def_.size))
      return store(cutToChars(*s, def_.size));
  return storeCopy(v);
}

}  // namespace riviza::db
