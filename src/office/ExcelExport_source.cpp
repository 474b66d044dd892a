// The two pipes of TExcelExport: a dataset and the custom events (office layer); see
// ExcelExport_source.h.
#include "office/ExcelExport_source.h"

#include <cmath>

#include "db/structure.h"
#include "office/ExcelExport.h"
#include "platform/codec.h"

namespace riviza {
namespace {

TFieldType fieldTypeOf(db::FieldType t) {
  switch (t) {
    case db::FieldType::Alpha:
      return ftString;
    case db::FieldType::Number:
      return ftFloat;
    case db::FieldType::Money:
      return ftCurrency;
    case db::FieldType::Short:
      return ftSmallint;
    case db::FieldType::LongInt:
      return ftInteger;
    case db::FieldType::AutoInc:
      return ftAutoInc;
    case db::FieldType::Logical:
      return ftBoolean;
    case db::FieldType::Date:
      return ftDate;
    case db::FieldType::Time:
      return ftTime;
    case db::FieldType::Memo:
      return ftMemo;
  }
  return ftUnknown;
}

// The data size the dataset reports for a field (the bytes of its buffer; a memo keeps none).
int dataSizeOf(const db::TField& f) {
  switch (f.dataType()) {
    case db::FieldType::Alpha:
      return f.size() + 1;
    case db::FieldType::Number:
    case db::FieldType::Money:
      return 8;
    case db::FieldType::Short:
    case db::FieldType::Logical:
      return 2;
    case db::FieldType::LongInt:
    case db::FieldType::AutoInc:
    case db::FieldType::Date:
    case db::FieldType::Time:
      return 4;
    case db::FieldType::Memo:
      return 0;
  }
  return 0;
}

office::CellValue typedValue(const db::TField& f) {
  const db::Value& v = f.value();
  if (db::isNull(v)) return {};
  switch (f.dataType()) {
    case db::FieldType::Alpha:
    case db::FieldType::Memo:
      return f.asString();
    case db::FieldType::Logical:
      return f.asBoolean();
    case db::FieldType::Date: {
      auto d = f.asDate();
      return d ? office::CellValue{office::DateValue{platform::toDateTimeNumber(*d)}} : office::CellValue{};
    }
    case db::FieldType::Time: {
      auto t = platform::parseTime(f.asString());
      if (!t) return f.asString();
      return office::DateValue{(t->hour * 3600 + t->minute * 60 + t->second) / 86400.0};
    }
    default: {
      auto d = f.asFloat();
      return d ? office::CellValue{*d} : office::CellValue{f.asString()};
    }
  }
}

class DatasetSource : public ExportSource {
 public:
  explicit DatasetSource(db::TTable& t) : t_(t) {}

  std::optional<int> fieldCount() override { return t_.fieldCount(); }
  bool visible(int i) override { return t_.fields(i).visible(); }
  TFieldType type(int i) override { return fieldTypeOf(t_.fields(i).dataType()); }
  std::string name(int i) override { return t_.fields(i).fieldName(); }
  std::string displayName(int i) override { return t_.fields(i).displayName(); }
  int displayWidth(int i) override { return t_.fields(i).displayWidth(); }
  int dataSize(int i) override { return dataSizeOf(t_.fields(i)); }
  std::string displayFormat(int i) override { return t_.fields(i).displayFormat(); }
  db::TField* field(int i) override { return &t_.fields(i); }
  std::optional<int> indexOf(const std::string& name) override {
    db::TField* f = t_.findField(name);
    return f ? std::optional<int>(f->index()) : std::nullopt;
  }

  void first() override { throwOnFailure(t_.first()); }
  void next() override { throwOnFailure(t_.next()); }
  bool eof() override { return t_.eof(); }
  office::CellValue value(int i) override { return typedValue(t_.fields(i)); }
  std::string text(int i) override { return t_.fields(i).asString(); }

  // The walk runs in one transaction of the table: the export reads one state of the table,
  // and the file is locked once instead of once per record (more than half the time of a large
  // export). It is committed, so what an event handler wrote meanwhile stays; a table already
  // in a transaction, or with a record being edited, is walked as it is.
  struct DatasetHold : Hold {
    explicit DatasetHold(db::TTable& t) : t(t), mark(t.getBookmark()) {
      t.disableControls();
      if (!t.inTransaction() && t.state() == db::TableState::Browse)
        if (auto started = t.startTransaction()) tx = std::move(*started);
    }
    ~DatasetHold() override {
      if (tx) (void)tx->commit();
      tx.reset();
      if (mark && t.bookmarkValid(*mark)) (void)t.gotoBookmark(*mark);
      t.enableControls();
    }
    db::TTable& t;
    std::optional<db::Bookmark> mark;
    std::optional<db::TransactionGuard> tx;
  };
  std::unique_ptr<Hold> hold() override { return std::make_unique<DatasetHold>(t_); }

 private:
  db::TTable& t_;
};

class CustomSource : public ExportSource {
 public:
  explicit CustomSource(TExcelExport& c) : c_(c) {}

  std::optional<int> fieldCount() override {
    if (!c_.OnGetFieldCount) return std::nullopt;
    int n = 0;
    c_.OnGetFieldCount(c_, n);
    return n;
  }
  bool visible(int i) override { return ask(c_.OnGetFieldVisible, i, true); }
  TFieldType type(int i) override { return ask(c_.OnGetFieldDataType, i, ftUnknown); }
  std::string name(int i) override { return ask(c_.OnGetFieldName, i, std::string()); }
  std::string displayName(int i) override { return ask(c_.OnGetFieldDisplayName, i, std::string()); }
  int displayWidth(int i) override { return ask(c_.OnGetFieldDisplayWidth, i, 0); }
  int dataSize(int i) override { return ask(c_.OnGetFieldDataSize, i, 10); }
  std::string displayFormat(int) override { return {}; }
  db::TField* field(int) override { return nullptr; }
  std::optional<int> indexOf(const std::string&) override { return std::nullopt; }

  void first() override {
    if (c_.OnGotoFirstRecord) c_.OnGotoFirstRecord(c_);
  }
  void next() override {
    if (c_.OnGotoNextRecord) c_.OnGotoNextRecord(c_);
  }
  bool eof() override {
    bool eof = true;
    if (c_.OnGetEOF) c_.OnGetEOF(c_, eof);
    return eof;
  }
  office::CellValue value(int i) override {
    const Variant v = ask(c_.OnGetFieldValue, i, Variant{});
    struct Cell {
      office::CellValue operator()(std::monostate) const { return {}; }
      office::CellValue operator()(const std::string& s) const { return s; }
      office::CellValue operator()(double d) const { return d; }
      office::CellValue operator()(long long n) const { return static_cast<double>(n); }
      office::CellValue operator()(bool b) const { return b; }
      office::CellValue operator()(const platform::DateTime& t) const {
        return office::DateValue{platform::toDateTimeNumber(t)};
      }
    };
    return std::visit(Cell{}, v);
  }
  std::string text(int i) override { return office::cellText(value(i)); }

  std::unique_ptr<Hold> hold() override { return std::make_unique<Hold>(); }

 private:
  template <class Event, class T>
  T ask(const Event& event, int i, T fallback) {
    if (event) event(c_, i, fallback);
    return fallback;
  }
  TExcelExport& c_;
};

}  // namespace

std::unique_ptr<ExportSource> datasetSource(db::TTable& table) {
  return std::make_unique<DatasetSource>(table);
}
std::unique_ptr<ExportSource> customSource(TExcelExport& component) {
  return std::make_unique<CustomSource>(component);
}

bool isExportedType(TFieldType t) {
  switch (t) {
    case ftString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftMemo:
    case ftFmtMemo:
    case ftWideString:
    case ftLargeint:
    case ftOraClob:
    case ftVariant:
    case ftTimeStamp:
      return true;
    default:
      return false;
  }
}

bool isNumericType(TFieldType t) {
  switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool isDecimalType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD || t == ftFMTBcd; }

bool isSummedValueType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency;
}

}  // namespace riviza
