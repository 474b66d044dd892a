// One field of an open table: its structure entry, its value in the current record and the
// conversions the logic reads and writes it with (db layer).
//
// Values convert the way the old engine's fields did under the German formats: numbers as text
// use the decimal comma ("35,7"), dates read and write as "dd.MM.yyyy", times as "hh:mm:ss",
// flags as "True" / "False". Writing a longer text into an alpha field cuts it to the field's
// size (in characters); text keeps leading zeros and blanks; the empty text makes any field null
// (an empty alpha field is null, as in Paradox). A field is written only in Edit or Insert
// state; an autoincrement field never. Reading a null number gives 0, a null flag false, a null
// text the empty text; reading a number from text that is no number is a kConversion error.
//
// A TField belongs to its TTable and lives until the table is opened on a different structure
// (reopening the same structure keeps the objects); observers look fields up again on
// tableDataChanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/structure.h"
#include "platform/clock.h"
#include "platform/result.h"

namespace riviza::db {

class TTable;

class TField {
 public:
  TField(TTable& table, int index, FieldDef def);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // ---- metadata ----
  int index() const { return index_; }  // position, counted from 0
  const std::string& fieldName() const { return def_.name; }
  const FieldDef& def() const { return def_; }
  FieldType dataType() const { return def_.type; }
  int size() const { return def_.size; }  // characters of an alpha field, else 0
  // The title shown for the field: the display label when one was set, else the name.
  const std::string& displayName() const { return label_.empty() ? def_.name : label_; }
  void setDisplayLabel(std::string label) { label_ = std::move(label); }
  // Characters a grid or export reserves: the size of an alpha field, a type default otherwise.
  int displayWidth() const { return displayWidth_; }
  void setDisplayWidth(int width) { displayWidth_ = width; }
  bool visible() const { return visible_; }
  void setVisible(bool v) { visible_ = v; }
  // The format a number field is shown and exported with ("#,##0.00"); empty when none.
  const std::string& displayFormat() const { return displayFormat_; }
  void setDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
  bool readOnly() const { return def_.type == FieldType::AutoInc; }

  // ---- reading the current record ----
  bool isNull() const;
  std::string asString() const;  // the edit text as well
  Result<long long> asInteger() const;
  Result<double> asFloat() const;
  bool asBoolean() const;
  std::optional<platform::DateTime> asDate() const;  // Date fields, or text holding a date
  const Value& value() const;                        // the stored value

  // ---- writing (Edit / Insert state only) ----
  Status setAsString(std::string_view text);
  Status setAsInteger(long long v);
  Status setAsFloat(double v);
  Status setAsBoolean(bool v);
  Status clear();
  // Field i of one record into field i of another: the stored value when the types match (an
  // alpha value cut to this field's size), else through the text.
  Status assign(const TField& source);

 private:
  Status store(Value v);             // checks the state, marks the record modified, tells observers
  Status storeCopy(const Value& v);  // the same, copying into the buffer's own text
  Status writable() const;
  Error conversionError(std::string_view text, std::string_view what) const;

  TTable* table_;
  int index_;
  FieldDef def_;
  std::string label_;
  int displayWidth_;
  bool visible_ = true;
  std::string displayFormat_;
};

// FloatToStr under the German formats: up to 15 significant digits, decimal comma, "1E20".
std::string formatFloatText(double v);

// The text of a stored value of a field type, as TField::asString gives it.
std::string fieldText(FieldType type, const Value& v);
// What asInteger gives for a field of `def` holding `v` (a scan's values read like the fields').
Result<long long> integerOf(const FieldDef& def, const Value& v);

// The flag a stored value reads as, as TField::asBoolean gives it.
bool flagValue(const Value& v);

// What a field of `def` stores for setAsString(text), setAsInteger(v) and setAsBoolean(v), and what assign
// stores for value `v` of a field of `from` into a field of `to`: the conversions of the setters without a
// record, for a copy that converts its values inside one statement.
Result<Value> storedFromText(const FieldDef& def, std::string_view text);
Result<Value> storedFromInteger(const FieldDef& def, long long v);
Result<Value> storedFromFlag(const FieldDef& def, bool v);
Result<Value> assignedValue(const FieldDef& from, const Value& v, const FieldDef& to);

}  // namespace riviza::db
