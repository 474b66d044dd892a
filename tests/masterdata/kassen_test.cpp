// The funds tab on fixture tables: the address of the office for cost estimates following every
// move and every search, which tables open, and the read-only grid.
#include <gtest/gtest.h>

#include <filesystem>

#include "ann_fixture.h"

namespace riviza::test {
namespace {

class Kassen : public AnnTab {
 protected:
  Kassen() {
    // Fund 2 has the office IK of fund 1 but another kind; fund 3 has no office for cost
    // estimates, fund 4 one without an address.
    tabelle("Kas.db",
            {{{"KasIk", "101000001"},
              {"Art", "AO"},
              {"KasKurz", "AOK Nord"},
              {"KostIk", "108310400"},
              {"AnKostvorIk", "109000001"},
              {"AnRechIk", "109100001"}},
             {{"KasIk", "101000002"},
              {"Art", "BK"},
              {"KasKurz", "BKK Mitte"},
              {"KostIk", "108310400"},
              {"AnKostvorIk", "109000001"}},
             {{"KasIk", "102000003"}, {"Art", "AO"}, {"KasKurz", "aok Süd"}, {"KostIk", "104940005"}},
             {{"KasIk", "103000004"}, {"Art", "EK"}, {"KostIk", "103000004"}, {"AnKostvorIk", "109000009"}}});
    tabelle("KasAdrAnn.db",
            {{{"Ik", "109000002"}, {"KurzName", "Andere Stelle"}, {"KassenArt", "AO"}},
             {{"Ik", "109000001"}, {"KurzName", "KV AOK"}, {"Ort", "Kiel"}, {"KassenArt", "AO"}},
             {{"Ik", "109000001"}, {"KurzName", "KV BKK"}, {"Ort", "Hamburg"}, {"KassenArt", "BK"}}});
  }
  // The fund shown, its office IK and the office's short name and town.
  std::string gezeigt() {
    return form->TableKas->findField("KasIk")->asString() + "|" + form->DBEdit44->text() + "|" +
           form->DBEditKasAdrKurzName->text() + "|" + form->DBEditKasAdrOrt->text();
  }
};

TEST_F(Kassen, TheOfficeAddressFollowsEveryMoveAndEverySearch) {
  zeigen(form->TabSheet11);
  EXPECT_FALSE(form->GroupBox13->enabled());
  EXPECT_EQ(form->DBEditKasRechIk->text(), "109100001");
  const std::pair<ui::TNavigateBtn, const char*> schritte[] = {
      {ui::TNavigateBtn::nbNext, "101000002|109000001|KV BKK|Hamburg"},
      {ui::TNavigateBtn::nbNext, "102000003|||"},
      {ui::TNavigateBtn::nbNext, "103000004|109000009||"},
      {ui::TNavigateBtn::nbFirst, "101000001|109000001|KV AOK|Kiel"},
  };
  EXPECT_EQ(gezeigt(), "101000001|109000001|KV AOK|Kiel");
  for (const auto& [knopf, erwartet] : schritte) {
    ASSERT_TRUE(form->DBNavigator2->userClick(knopf));
    EXPECT_EQ(gezeigt(), erwartet);
  }
  // The search: own IK, cost-bearer IK or short name, any case; 11 characters change nothing.
  const std::tuple<const char*, int, const char*> faelle[] = {
      {"1083", 2, "101000001|109000001|KV AOK|Kiel"},
      {"103", 1, "103000004|109000009||"},
      {"BKK", 1, "101000002|109000001|KV BKK|Hamburg"},
      {"aok", 2, "101000001|109000001|KV AOK|Kiel"},
      {"aok süd xyz", 2, "101000001|109000001|KV AOK|Kiel"},
      {"1020", 1, "102000003|||"},
      {"", 4, "101000001|109000001|KV AOK|Kiel"},
  };
  for (const auto& [text, zeilen, erwartet] : faelle) {
    SCOPED_TRACE(text);
    form->EditKas302Suchen->setText(text);
    EXPECT_EQ(form->DBGridKas302->rowCount(), zeilen);
    EXPECT_EQ(gezeigt(), erwartet);
  }
}

TEST_F(Kassen, TheTabOpensOnlyWithBothTablesClosesThemWhenLeftAndItsGridStaysReadOnly) {
  const std::filesystem::path jahr = daten / "Abrechng/2024/Daten", beiseite = daten / "beiseite";
  std::filesystem::create_directories(beiseite);
  for (const char* fehlt : {"KasAdrAnn.db", "Kas.db"}) {
    SCOPED_TRACE(fehlt);
    std::filesystem::rename(jahr / fehlt, beiseite / fehlt);
    zeigen(form->TabSheet11);
    EXPECT_FALSE(form->TableKas->active() || form->TableKasAdrAnn->active());
    form->PageControl1->setActivePageIndex(0);
    std::filesystem::rename(beiseite / fehlt, jahr / fehlt);
  }
  zeigen(form->TabSheet11);
  ASSERT_TRUE(form->TableKas->active() && form->TableKasAdrAnn->active());
  EXPECT_FALSE(form->DBGridKas302->userEditCell(0, 0, "999999999"));
  ASSERT_TRUE(form->EditKas302Suchen->userReach());
  form->PageControl1->setActivePageIndex(0);
  EXPECT_FALSE(form->TableKas->active() || form->TableKasAdrAnn->active());
  EXPECT_EQ(gespeichert("Kas.db").at(0).at("KasIk"), "101000001");
}

}  // namespace
}  // namespace riviza::test
