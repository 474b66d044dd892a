// The funds tab on fixture tables: the address of the office for cost estimates following every
// move through the funds, the search, which tables open, and the read-only grid.
#include <gtest/gtest.h>

#include <filesystem>

#include "ann_fixture.h"

namespace riviza::test {
namespace {

class Kassen : public AnnTab {
 protected:
  Kassen() {
    tabelle("Kas.db",
            {{{"KasIk", "101000001"},
              {"Art", "AO"},
              {"KasKurz", "AOK Nord"},
              {"KostIk", "108310400"},
              {"AnKostvorIk", "109000001"},
              {"AnRechIk", "109100001"},
              {"AnRechKurz", "Rechnungen Nord"}},
             {{"KasIk", "101000002"},
              {"Art", "BK"},
              {"KasKurz", "BKK Mitte"},
              {"KostIk", "108310400"},
              {"AnKostvorIk", "109000001"}},
             {{"KasIk", "102000003"}, {"Art", "AO"}, {"KasKurz", "aok Süd"}, {"KostIk", "104940005"}},
             {{"KasIk", "103000004"},
              {"Art", "EK"},
              {"KasKurz", "Ersatzkasse"},
              {"KostIk", "103000004"},
              {"AnKostvorIk", "109000009"}}});
    tabelle("KasAdrAnn.db",
            {{{"Ik", "109000002"}, {"KurzName", "Andere Stelle"}, {"KassenArt", "AO"}},
             {{"Ik", "109000001"},
              {"KurzName", "KV AOK"},
              {"Name1", "Kostenvoranschläge"},
              {"Ort", "Kiel"},
              {"KassenArt", "AO"}},
             {{"Ik", "109000001"}, {"KurzName", "KV BKK"}, {"Ort", "Hamburg"}, {"KassenArt", "BK"}}});
  }
  void zeigen() { AnnTab::zeigen(form->TabSheet11); }
  std::string kasIk() { return form->TableKas->findField("KasIk")->asString(); }
};

TEST_F(Kassen, TheOfficeAddressFollowsEveryMoveThroughTheFunds) {
  zeigen();
  EXPECT_FALSE(form->GroupBox13->enabled());
  // Fund 2 has the office IK of fund 1 but another kind; fund 3 has no office for cost
  // estimates, fund 4 one without an address record.
  struct Schritt {
    ui::TNavigateBtn knopf;
    const char* kasse;
    const char* kv;
    const char* kurzName;
    const char* ort;
  };
  const Schritt schritte[] = {
      {ui::TNavigateBtn::nbFirst, "101000001", "109000001", "KV AOK", "Kiel"},
      {ui::TNavigateBtn::nbNext, "101000002", "109000001", "KV BKK", "Hamburg"},
      {ui::TNavigateBtn::nbNext, "102000003", "", "", ""},
      {ui::TNavigateBtn::nbNext, "103000004", "109000009", "", ""},
      {ui::TNavigateBtn::nbFirst, "101000001", "109000001", "KV AOK", "Kiel"},
      {ui::TNavigateBtn::nbNext, "101000002", "109000001", "KV BKK", "Hamburg"},
  };
  for (const Schritt& s : schritte) {
    SCOPED_TRACE(s.kasse);
    if (s.knopf != ui::TNavigateBtn::nbFirst || form->TableKas->recNo() != 1) {
      ASSERT_TRUE(form->DBNavigator2->userClick(s.knopf));
    }
    EXPECT_EQ(kasIk(), s.kasse);
    EXPECT_EQ(form->DBEdit44->text(), s.kv);
    EXPECT_EQ(form->DBEditKasAdrKurzName->text(), s.kurzName);
    EXPECT_EQ(form->DBEditKasAdrOrt->text(), s.ort);
  }
  ASSERT_TRUE(form->DBNavigator2->userClick(ui::TNavigateBtn::nbFirst));
  EXPECT_EQ(form->DBEditKasRechIk->text(), "109100001");
  EXPECT_EQ(form->DBEditKasRechKurz->text(), "Rechnungen Nord");
  EXPECT_EQ(form->DBEditKasAdrName1->text(), "Kostenvoranschläge");
}

TEST_F(Kassen, TheSearchFindsFundsByTheirOwnOrTheirCostBearersIkOrShortNameAndTheAddressFollows) {
  zeigen();
  const std::tuple<const char*, std::vector<const char*>, const char*> faelle[] = {
      {"1083", {"101000001", "101000002"}, "KV AOK"},         // cost-bearer IK
      {"1020", {"102000003"}, ""},                            // own IK; no office
      {"103", {"103000004"}, ""},                             // both IKs of one fund
      {"AOK", {"101000001", "102000003"}, "KV AOK"},          // short name, any case
      {"aok süd xyz", {"101000001", "102000003"}, "KV AOK"},  // 11 characters: unchanged
      {"bkk", {"101000002"}, "KV BKK"},
      {"", {"101000001", "101000002", "102000003", "103000004"}, "KV AOK"},
  };
  for (const auto& [text, kassen, kurzName] : faelle) {
    SCOPED_TRACE(text);
    form->EditKas302Suchen->setText(text);
    ASSERT_EQ(form->DBGridKas302->rowCount(), static_cast<int>(kassen.size()));
    for (size_t r = 0; r < kassen.size(); ++r)
      EXPECT_EQ(form->DBGridKas302->cell(static_cast<int>(r), 0).text, kassen[r]);
    EXPECT_EQ(form->DBEditKasAdrKurzName->text(), kurzName);
  }
}

TEST_F(Kassen, TheTabOpensOnlyWithBothTablesClosesThemWhenLeftAndItsGridStaysReadOnly) {
  const std::filesystem::path daten = this->daten / "Abrechng/2024/Daten";
  const std::filesystem::path beiseite = this->daten / "beiseite";
  std::filesystem::create_directories(beiseite);
  for (const char* fehlt : {"KasAdrAnn.db", "Kas.db"}) {
    SCOPED_TRACE(fehlt);
    std::filesystem::rename(daten / fehlt, beiseite / fehlt);
    zeigen();
    EXPECT_FALSE(form->TableKas->active() || form->TableKasAdrAnn->active());
    EXPECT_EQ(form->DBGridKas302->rowCount(), 0);
    form->PageControl1->setActivePageIndex(0);
    std::filesystem::rename(beiseite / fehlt, daten / fehlt);
  }
  zeigen();
  ASSERT_TRUE(form->TableKas->active() && form->TableKasAdrAnn->active());
  EXPECT_FALSE(form->DBGridKas302->userEditCell(0, 0, "999999999"));
  EXPECT_EQ(kasIk(), "101000001");
  ASSERT_TRUE(form->EditKas302Suchen->userReach());
  form->PageControl1->setActivePageIndex(0);
  EXPECT_FALSE(form->TableKas->active() || form->TableKasAdrAnn->active());
  EXPECT_EQ(gespeichert("Kas.db").at(0).at("KasIk"), "101000001");
}

}  // namespace
}  // namespace riviza::test
