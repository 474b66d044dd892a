// The table cursor: moves, states, post and cancel, delete, record numbers and bookmarks.
#include <filesystem>

#include "db/TTable.h"
#include "support/tools.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

using Strings = std::vector<std::string>;

class Cursor : public TableTest {
 protected:
  void SetUp() override {
    create("Kosttr.db", kosttrStructure());
    openTable(t_, "Kosttr.db");
    for (const char* ik : {"1", "2", "3"}) appendRow(t_, {ik});
  }
  TTable t_;
};

TEST_F(Cursor, OpenStandsOnTheFirstRecordAndMovesSetEofAndBof) {
  TTable t;
  openTable(t, "KOSTTR.DB");  // found ignoring case
  EXPECT_EQ(t.state(), TableState::Browse);
  EXPECT_TRUE(t.bof());
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_EQ(t.recordCount(), 3);
  ASSERT_TRUE(t.next().ok());
  EXPECT_FALSE(t.bof());
  EXPECT_EQ(t.fields(0).asString(), "2");
  ASSERT_TRUE(t.last().ok());
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recNo(), 3);
  ASSERT_TRUE(t.next().ok());
  EXPECT_EQ(t.fields(0).asString(), "3");
  ASSERT_TRUE(t.prior().ok());
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.fields(0).asString(), "2");
  ASSERT_TRUE(t.first().ok());
  ASSERT_TRUE(t.prior().ok());
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.fields(0).asString(), "1");
  t.assertInvariants();
}

TEST_F(Cursor, EmptyTableIsEofAndBof) {
  create("Leer.db", kosttrStructure());
  TTable t;
  openTable(t, "Leer.db");
  EXPECT_TRUE(t.isEmpty());
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 0);
  ASSERT_TRUE(t.next().ok());
  EXPECT_TRUE(t.eof());
}

TEST_F(Cursor, PostKeepsEditCancelRestoresAndFieldsAreWrittenOnlyWhileEditing) {
  Status outside = t_.fields(0).setAsString("x");
  ASSERT_FALSE(outside.ok());
  EXPECT_EQ(outside.error().code, kNotEditing);

  ASSERT_TRUE(t_.setRecNo(2).ok());
  ASSERT_TRUE(t_.edit().ok());
  EXPECT_EQ(t_.state(), TableState::Edit);
  ASSERT_TRUE(t_.fields(1).setAsString("Zwei").ok());
  ASSERT_TRUE(t_.post().ok());
  EXPECT_EQ(t_.state(), TableState::Browse);
  EXPECT_EQ(t_.recNo(), 2);

  ASSERT_TRUE(t_.edit().ok());
  ASSERT_TRUE(t_.fields(1).setAsString("verworfen").ok());
  t_.cancel();
  EXPECT_EQ(t_.fields(1).asString(), "Zwei");
  ASSERT_TRUE(t_.refresh().ok());
  EXPECT_EQ(t_.fields(1).asString(), "Zwei");
  EXPECT_EQ(column(t_, 1), (Strings{"", "Zwei", ""}));

  // A cancelled insert returns to the former record.
  ASSERT_TRUE(t_.setRecNo(2).ok());
  ASSERT_TRUE(t_.insert().ok());
  EXPECT_EQ(t_.recNo(), 0);
  ASSERT_TRUE(t_.fields(0).setAsString("9").ok());
  t_.cancel();
  EXPECT_EQ(t_.recNo(), 2);
  EXPECT_EQ(t_.fields(0).asString(), "2");
  EXPECT_EQ(t_.recordCount(), 3);
}

TEST_F(Cursor, MovingOnPostsAChangedRecordAndDropsAnUntouchedInsert) {
  ASSERT_TRUE(t_.first().ok());
  ASSERT_TRUE(t_.edit().ok());
  ASSERT_TRUE(t_.fields(1).setAsString("Eins").ok());
  ASSERT_TRUE(t_.next().ok());
  EXPECT_EQ(t_.state(), TableState::Browse);
  ASSERT_TRUE(t_.append().ok());
  ASSERT_TRUE(t_.first().ok());
  EXPECT_EQ(t_.recordCount(), 3);
  EXPECT_EQ(t_.fields(1).asString(), "Eins");
}

struct DeleteCase {
  int recNo;
  Strings left;
  std::string standsOn;
  bool eof;
};

TEST_F(Cursor, DeleteMovesToTheNextRecordAndEmptiesTheViewFromTheFirst) {
  for (const DeleteCase& c : {DeleteCase{1, {"2", "3"}, "2", false}, DeleteCase{2, {"1", "3"}, "3", false},
                              DeleteCase{3, {"1", "2"}, "2", false}}) {
    ASSERT_TRUE(t_.emptyTable().ok());
    for (const char* ik : {"1", "2", "3"}) appendRow(t_, {ik});
    ASSERT_TRUE(t_.setRecNo(c.recNo).ok());
    ASSERT_TRUE(t_.deleteRecord().ok());
    EXPECT_EQ(t_.fields(0).asString(), c.standsOn) << c.recNo;
    EXPECT_EQ(t_.eof(), c.eof) << c.recNo;
    EXPECT_EQ(column(t_, 0), c.left) << c.recNo;
  }
  // Deleting from the first until eof empties the view; an edit then starts an insert.
  ASSERT_TRUE(t_.first().ok());
  int deleted = 0;
  while (!t_.eof()) {
    ASSERT_TRUE(t_.deleteRecord().ok());
    ++deleted;
  }
  EXPECT_EQ(deleted, 2);
  EXPECT_TRUE(t_.isEmpty());
  ASSERT_TRUE(t_.edit().ok());
  EXPECT_EQ(t_.state(), TableState::Insert);
}

// An open shows the records in the order of their ids whichever ids the file holds: dense from
// anywhere, with gaps, at the ends of the id range; the sqlite3 shell is the reference.
TEST_F(Cursor, AnOpenShowsEveryRecordWhicheverIdsTheFileHolds) {
  const struct {
    const char* was;
    std::vector<long long> ids;
  } faelle[] = {
      {"none", {}},
      {"dense from 1", {1, 2, 3, 4}},
      {"the first removed", {7, 8, 9}},
      {"a gap", {1, 2, 4, 5}},
      {"one", {42}},
      {"around zero", {-1, 0, 1}},
      {"both ends of the range", {-9223372036854775807LL - 1, 9223372036854775807LL}},
      {"the top of the range", {9223372036854775806LL, 9223372036854775807LL}},
      {"an end and a gap", {-9223372036854775807LL - 1, -9223372036854775807LL + 1}},
  };
  for (const auto& fall : faelle) {
    SCOPED_TRACE(fall.was);
    create("Ids.db", kosttrStructure());
    const std::string file = (dir_ / "Ids.db").string();
    std::string sql = "BEGIN;";
    for (size_t i = 0; i < fall.ids.size(); ++i)  // written out of id order
      sql += "INSERT INTO records(rowid, f0) VALUES(" + std::to_string(fall.ids[fall.ids.size() - 1 - i]) +
             ",'" + std::to_string(fall.ids.size() - i) + "');";
    ASSERT_EQ(riviza::test::toolOutput({"sqlite3", file, sql + "COMMIT;"}), "");
    const std::string shell = riviza::test::toolOutput({"sqlite3", file, "SELECT f0 FROM records ORDER BY rowid"});
    TTable t;
    openTable(t, "Ids.db");
    std::string ours;
    for (const std::string& ik : column(t, 0)) ours += ik + "\n";
    EXPECT_EQ(ours, shell);
    EXPECT_EQ(t.recordCount(), static_cast<int>(fall.ids.size()));
    t.assertInvariants();
    t.close();
    std::filesystem::remove(file);
  }
}

TEST_F(Cursor, RecNoAndBookmarksComeBackAfterChanges) {
  ASSERT_TRUE(t_.setRecNo(3).ok());
  int recNo = t_.recNo();
  auto mark = t_.getBookmark();
  ASSERT_TRUE(mark);
  appendRow(t_, {"4"});
  ASSERT_TRUE(t_.first().ok());
  ASSERT_TRUE(t_.setRecNo(recNo).ok());
  EXPECT_EQ(t_.fields(0).asString(), "3");
  ASSERT_TRUE(t_.first().ok());
  ASSERT_TRUE(t_.gotoBookmark(*mark).ok());
  EXPECT_EQ(t_.fields(0).asString(), "3");
  ASSERT_TRUE(t_.deleteRecord().ok());
  EXPECT_FALSE(t_.bookmarkValid(*mark));
  EXPECT_EQ(t_.gotoBookmark(*mark).error().code, kRecordGone);
}

TEST_F(Cursor, RecordTextsReadAnyRecordWithoutMoving) {
  ASSERT_TRUE(t_.first().ok());
  ASSERT_TRUE(t_.edit().ok());
  ASSERT_TRUE(t_.fields(1).setAsString("offen").ok());
  EXPECT_EQ(t_.recordTexts(3).value()[0], "3");
  EXPECT_EQ(t_.recordTexts(1).value()[1], "offen");  // pending values of the edited record
  EXPECT_EQ(t_.recNo(), 1);
  EXPECT_EQ(t_.state(), TableState::Edit);
  EXPECT_FALSE(t_.recordTexts(4).ok());
}

TEST_F(Cursor, EditLoopOverEveryRecordKeepsOrderAndPosition) {
  ASSERT_TRUE(t_.first().ok());
  while (!t_.eof()) {
    editRow(t_, 7, "XY");
    ASSERT_TRUE(t_.next().ok());
  }
  EXPECT_EQ(column(t_, 0), (Strings{"1", "2", "3"}));
  EXPECT_EQ(column(t_, 7), (Strings{"XY", "XY", "XY"}));
  t_.assertInvariants();
}

// New records posted out of key order in a bulk transaction: every read sees the key order, and
// the cursor stays on its record (after a post, a cancelled insert, a key change, a delete).
TEST_F(Cursor, PostsOutOfKeyOrderAreReadInKeyOrder) {
  create("Mixed.db", mixedStructure());
  TTable t;
  openTable(t, "Mixed.db");
  auto tx = t.startTransaction();
  ASSERT_TRUE(tx.ok());
  for (auto [id, recNo] : {std::pair{"M", 1}, {"C", 1}, {"X", 3}, {"A", 1}, {"P", 4}}) {
    appendRow(t, {id});
    EXPECT_EQ(t.recNo(), recNo) << id;
  }
  ASSERT_TRUE(t.next().ok());
  EXPECT_EQ(t.fields(0).asString(), "X");
  appendRow(t, {"B"});
  const auto b = t.getBookmark();
  ASSERT_TRUE(t.insert().ok());
  EXPECT_EQ(t.recordTexts(3).value()[0], "C");  // a grid reads the rows while inserting
  t.cancel();
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_EQ(t.fields(0).asString(), "B");
  appendRow(t, {"D"});
  appendRow(t, {"Q"});
  editRow(t, 0, "Z");
  EXPECT_EQ(t.recNo(), 8);
  ASSERT_TRUE(t.gotoBookmark(*b).ok());
  ASSERT_TRUE(t.deleteRecord().ok());
  EXPECT_EQ(t.fields(0).asString(), "C");
  t.assertInvariants();
  ASSERT_TRUE(tx->commit().ok());
  EXPECT_EQ(column(t, 0), (Strings{"A", "C", "D", "M", "P", "X", "Z"}));
  t.assertInvariants();
}

}  // namespace
}  // namespace riviza::db::test
