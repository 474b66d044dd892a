// The table as a form component and the data source that ties data-aware controls to it
// (user-interface layer).
//
// ui::TTable is the db layer's table component placed on a form (it has an owner and a name,
// and is all a db::TTable otherwise). A TDataSource observes one table and passes every notice
// on to its listeners, the data-aware controls; with AutoEdit (the default) a control the user
// types into puts the table into edit state through it. The data source and the controls drop
// their pointers when the table goes away, whichever dies first.
#pragma once

#include <string>
#include <vector>

#include "db/TTable.h"
#include "ui/component.h"

namespace riviza::ui {

class TTable : public TComponent, public db::TTable {
 public:
  TTable(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {}
};

class TDataSource;

// What a data-aware control hears from its data source.
class DataSourceListener {
 public:
  virtual ~DataSourceListener() = default;
  // Other records, another state, another table: show everything again.
  virtual void dataChanged() = 0;
  // The cursor moved, or the current record's values changed as a whole.
  virtual void recordChanged() { dataChanged(); }
  // One field of the current record was stored.
  virtual void fieldChanged(int fieldIndex) = 0;
  // Before a post or a move: store what the user typed.
  virtual void updateRecord() = 0;
};

class TDataSource : public TComponent, private db::TableObserver {
 public:
  TDataSource(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {}
  ~TDataSource() override;

  db::TTable* dataSet() const { return dataSet_; }
  void setDataSet(db::TTable* table);
  bool autoEdit() const { return autoEdit_; }
  void setAutoEdit(bool a) { autoEdit_ = a; }
  // The table is open and in Edit or Insert state.
  bool editing() const;
  // A control wants to change the current record: true when the table is (or, with AutoEdit,
  // could be put) in Edit or Insert state.
  bool edit();

  void addListener(DataSourceListener* l);
  void removeListener(DataSourceListener* l);

  void applyDesign(const Design& design) override;

 private:
  void tableStateChanged(db::TTable&) override { tellData(); }
  void tableRecordChanged(db::TTable&) override;
  void tableDataChanged(db::TTable&) override { tellData(); }
  void tableFieldChanged(db::TTable&, int fieldIndex) override;
  void tableUpdateRecord(db::TTable&) override;
  void tableDestroyed(db::TTable&) override;
  void tellData();
  template <class Fn>
  void tellEach(Fn fn);

  db::TTable* dataSet_ = nullptr;
  bool autoEdit_ = true;
  std::vector<DataSourceListener*> listeners_;
};

// The tie of one data-aware control to a data source and a field name; it registers the
// control as listener and finds the field again whenever the table changes.
class FieldLink {
 public:
  explicit FieldLink(DataSourceListener& owner) : owner_(owner) {}
  ~FieldLink();
  FieldLink(const FieldLink&) = delete;
  FieldLink& operator=(const FieldLink&) = delete;

  TDataSource* dataSource() const { return source_; }
  void setDataSource(TDataSource* source);
  const std::string& fieldName() const { return fieldName_; }
  void setFieldName(std::string name) { fieldName_ = std::move(name); }

  // The open table, or null.
  db::TTable* table() const;
  // The linked field of the open table, or null.
  db::TField* field() const;
  bool editing() const { return source_ && source_->editing(); }

 private:
  DataSourceListener& owner_;
  TDataSource* source_ = nullptr;
  std::string fieldName_;
};

}  // namespace riviza::ui
