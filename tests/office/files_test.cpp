// Saving and presenting workbooks, reading back what was written, and files that cannot be
// read: each failure with its code, nothing half-read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "office/errors.h"
#include "office_fixture.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "support/zip_archive.h"

namespace riviza::test {
namespace {

using namespace riviza::office;

unsigned modeOf(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// A zip archive of stored entries.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<ZipEntrySpec> specs;
  for (const auto& [name, data] : entries) specs.emplace_back(name, data, 0);
  return BuildZip(specs);
}

// A one-sheet package of stored parts, with the sheet's rows and the target of its part given.
std::string package(const std::string& sheetData, const std::string& sheetTarget = "worksheets/sheet1.xml") {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  return storedZip({
      {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                          "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook xmlns:r=\"" + rel.substr(0, rel.size() - 1) +
           "\"><sheets><sheet name=\"Liste\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                         "worksheet\" Target=\"" + sheetTarget +
                                         "\"/><Relationship Id=\"rId2\" Type=\"" + rel +
                                         "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
      {"xl/sharedStrings.xml",
       "<sst><si><t>Eins</t></si><si><r><t>Zw</t></r><r><t>ei</t></r><rPh><t>x</t></rPh></si></sst>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"},
  });
}

// The same package with its parts deflated.
std::string deflated(const std::string& zip) {
  std::vector<ZipEntrySpec> specs;
  for (const auto& e : ParseZip(zip).entries) specs.emplace_back(e.name, e.data, 8);
  return BuildZip(specs);
}

class Files : public OfficeTest {
 protected:
  TempDir dir;
  platform::FixedClock clock{{2024, 3, 15, 10, 30, 0}};
  platform::ScopedClock fixed{clock};
};

TEST_F(Files, SaveAsWritesXlsxOrGermanCsvPrivatelyAndKeepsFilesWhileAlertsAreOn) {
  ASSERT_TRUE(at("A1").setValue(std::string("Müller; \"Sohn\"")));
  ASSERT_TRUE(at("B1").setValue(1234.5));
  ASSERT_TRUE(at("C1").setValue(DateValue{45366}));
  ASSERT_TRUE(at("B2").setFormula("=SUM(B1:B1)"));
  ASSERT_TRUE(at("B2").setNumberFormat("#,##0.00"));
  ASSERT_TRUE(at("D2").setValue(true));
  const struct {
    const char* name;
    int format;
    const char* written;
  } rows[] = {
      {"a.xlsx", xlWorkbookDefault, "a.xlsx"},
      {"b", xlWorkbookDefault, "b.xlsx"},
      {"c.xls", xlExcel9795, "c.xlsx"},
      {"d.csv", xlCSV, "d.csv"},
      {"e", xlCSV, "e.csv"},
  };
  app->setDisplayAlerts(false);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    auto path = sheet->saveAs((dir / r.name).string(), r.format);
    ASSERT_TRUE(path) << path.error().describe();
    EXPECT_EQ(*path, (dir / r.written).string());
    EXPECT_EQ(modeOf(dir / r.written), 0600u);
    EXPECT_EQ(book->fullName(), *path);
  }
  EXPECT_EQ(dir.read("d.csv"), "\"M\xFCller; \"\"Sohn\"\"\";1234,5;15.03.2024;\r\n;1.234,50;;WAHR\r\n");
  EXPECT_EQ(sheet->saveAs((dir / "f.xlsx").string(), 99).error().code, kBadValue);

  app->setDisplayAlerts(true);
  dir.write("a.xlsx", "alt");
  Status kept = Status(sheet->saveAs((dir / "a.xlsx").string()).error());
  EXPECT_EQ(kept.error().code, kFileExists);
  EXPECT_EQ(dir.read("a.xlsx"), "alt");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5)
      << "no temporary file left";
}

TEST_F(Files, WhatTheWriterWritesReadsBackWithItsValuesTypesAndNames) {
  ASSERT_TRUE(sheet->setName("Größen"));
  ASSERT_TRUE(at("A1").setValue(std::string("=1+1")));
  ASSERT_TRUE(at("B1").setValue(-12.5));
  ASSERT_TRUE(at("C1").setValue(DateValue{45366.4375}));
  ASSERT_TRUE(at("D1").setValue(false));
  ASSERT_TRUE(at("A3").setValue(std::string(40000, 'x')));
  ASSERT_TRUE(at("B3").setFormula("=SUM(B1,10)"));
  ASSERT_TRUE(at("C3").setFormula("=NOW()"));
  auto second = *book->addWorksheet();
  ASSERT_TRUE(at("A2", "", second.get()).setValue(2.0));
  auto saved = book->saveAs((dir / "rund.xlsx").string(), xlWorkbookDefault);
  ASSERT_TRUE(saved);

  auto read = app->openWorkbook(*saved);
  ASSERT_TRUE(read) << read.error().describe();
  EXPECT_EQ((*read)->worksheetCount(), 2);
  auto back = (*read)->findWorksheet("größen");
  ASSERT_TRUE(back);
  const struct {
    const char* cell;
    CellValue value;
  } cells[] = {
      {"A1", std::string("=1+1")},     {"B1", -12.5}, {"C1", DateValue{45366.4375}}, {"D1", false},
      {"A3", std::string(32767, 'x')}, {"B3", -2.5},  {"C3", CellValue{}},           {"A2", CellValue{}},
  };
  for (const auto& c : cells) {
    SCOPED_TRACE(c.cell);
    EXPECT_EQ(back->range(c.cell, c.cell)->value(), c.value);
  }
  EXPECT_EQ((*read)->worksheet(1)->range("A2", "A2")->value(), CellValue(2.0));
  EXPECT_EQ(back->rowsCount(), 1048576);
}

TEST_F(Files, PresentingSavesTimeStampedFilesNeverOverOneAndHandsThePathsOver) {
  std::vector<std::string> opened;
  ScopedDocumentOpener spy([&](const std::string& path) {
    opened.push_back(path);
    return okStatus();
  });
  const auto folder = dir / "Export";  // missing: created
  app->setExportFolder(folder.string());
  ASSERT_TRUE(sheet->setName("Patienten"));
  ASSERT_TRUE(at("A1").setValue(1.0));

  auto first = app->present();
  ASSERT_TRUE(first) << first.error().describe();
  ASSERT_EQ(*first, std::vector<std::string>{(folder / "Patienten_20240315_103000.xlsx").string()});
  EXPECT_EQ(opened, *first);
  EXPECT_EQ(modeOf(folder / "Patienten_20240315_103000.xlsx"), 0600u);
  EXPECT_TRUE(app->present()->empty()) << "unchanged since it was shown";

  dir.write("Export/Patienten_20240315_103000_2.xlsx", "fremd");
  ASSERT_TRUE(at("A2").setValue(2.0));
  auto other = *app->addWorkbook();
  auto again = app->present();
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, (std::vector<std::string>{(folder / "Patienten_20240315_103000_3.xlsx").string(),
                                              (folder / "Tabelle1_20240315_103000.xlsx").string()}));
  EXPECT_EQ(dir.read("Export/Patienten_20240315_103000_2.xlsx"), "fremd");
  auto reread = app->openWorkbook((folder / "Patienten_20240315_103000_3.xlsx").string());
  ASSERT_TRUE(reread);
  EXPECT_EQ((*reread)->worksheet(1)->range("A2", "A2")->value(), CellValue(2.0));

  ScopedDocumentOpener failing(
      [](const std::string&) { return Status(Error::make(kOpenFailed, "kein Programm")); });
  auto shown = sheet->printPreview();
  ASSERT_FALSE(shown);
  EXPECT_EQ(shown.error().code, kOpenFailed);
  EXPECT_TRUE(std::filesystem::exists(folder / "Patienten_20240315_103000_4.xlsx"))
      << "saved before it was opened";

  // An export folder on a drive letter the prefix does not map is refused: made, it would be a
  // folder "e:" in the prefix, in the way of a share on that letter.
  TempDir prefix;
  prefix.mkdir("dosdevices");
  test::ScopedEnv wine("WINEPREFIX", prefix.str());
  app->setExportFolder("E:\\Export");
  ASSERT_TRUE(at("A3").setValue(3.0));
  auto refused = app->present();
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, ENODEV);
  EXPECT_EQ(refused.error().message,
            "Exportordner anlegen E:\\Export: Laufwerk oder Gerät nicht vorhanden (errno 19)");
  EXPECT_FALSE(prefix.exists("dosdevices/e:"));
}

TEST_F(Files, DamagedOrForeignFilesFailWithTheirCodeAndOpenNothing) {
  // A well-formed sheet outside the package, which an absolute target must not reach.
  dir.write("draussen.xml",
            "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>");
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"not a workbook", "Hallo"},
      {"OLE header, then nothing",
       std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0')},
      {"zip without parts", storedZip({{"a.txt", "x"}})},
      {"broken XML", package("<row r=\"1\"><c r=\"A1\"><v>1</v></row>")},
      {"text index out of range", package("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>")},
      {"row beyond the sheet", package("<row r=\"2000000\"><c><v>1</v></c></row>")},
      {"row number beyond 32 bits", package("<row r=\"4294967297\"><c><v>1</v></c></row>")},
      {"part outside the package", package("", "../../../etc/passwd")},
      {"absolute part outside the package", package("", "/" + (dir / "draussen.xml").string())},
      {"missing sheet part", package("", "worksheets/fehlt.xml")},
      {"a sheet of 1000 times its package",
       deflated(package("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>" + std::string(4 << 20, ' ')))},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    dir.write("f.xlsx", r.bytes);
    auto opened = app->openWorkbook((dir / "f.xlsx").string());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().code, kBadFile) << opened.error().message;
    EXPECT_EQ(app->workbookCount(), 1);
  }
  EXPECT_EQ(app->openWorkbook((dir / "fehlt.xlsx").string()).error().code, kFileNotFound);

  // The same package, well formed: rows, columns without names, rich and inline texts.
  dir.write("g.xlsx",
            package("<row r=\"2\"><c t=\"s\"><v>1</v></c><c t=\"inlineStr\"><is><t>drei</t></is></c>"
                    "<c t=\"b\"><v>1</v></c></row><row><c r=\"C3\"><v>4.5</v></c></row>"));
  auto good = app->openWorkbook((dir / "g.xlsx").string());
  ASSERT_TRUE(good) << good.error().describe();
  auto s = (*good)->worksheet(1);
  EXPECT_EQ(s->name(), "Liste");
  EXPECT_EQ(s->range("A2", "A2")->value(), CellValue(std::string("Zwei")));
  EXPECT_EQ(s->range("B2", "B2")->value(), CellValue(std::string("drei")));
  EXPECT_EQ(s->range("C2", "C2")->value(), CellValue(true));
  EXPECT_EQ(s->range("C3", "C3")->text(), "4,5");
}

}  // namespace
}  // namespace riviza::test
