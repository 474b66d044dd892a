// The Excel export of a table to a saved workbook: 100,000 records of 20 fields (texts, amounts,
// numbers, dates, flags) from an open table through TExcelExport into an .xlsx, against
// python3-openpyxl writing the same values in write-only mode (only its writing timed). The
// ratio is openpyxl's seconds over ours (above 1: ours is faster). Both outputs are checked:
// ours is read back, openpyxl's must exist.
#include <benchmark/benchmark.h>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/TTable.h"
#include "office/ExcelExport.h"
#include "office/file_formats.h"
#include "office/workbook.h"
#include "platform/launcher.h"
#include "support/bench_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace riviza;
using db::FieldType;

constexpr int kRecords = 100000;

using Folder = bench::BenchDir;

db::TableStructure structure() {
  std::vector<db::FieldDef> f = {
      {"IK", FieldType::Alpha, 9},         {"Name", FieldType::Alpha, 30},
      {"Strasse", FieldType::Alpha, 30},   {"Plz", FieldType::Alpha, 8},
      {"Ort", FieldType::Alpha, 30},       {"Betrag", FieldType::Money, 0},
      {"Zuzahlung", FieldType::Money, 0},  {"Faktor", FieldType::Number, 0},
      {"Menge", FieldType::Short, 0},      {"Nummer", FieldType::LongInt, 0},
      {"Datum", FieldType::Date, 0},       {"Aktiv", FieldType::Logical, 0},
      {"Bemerkung", FieldType::Alpha, 20}, {"Kennung", FieldType::Alpha, 10},
      {"Netto", FieldType::Money, 0},      {"Position", FieldType::LongInt, 0},
      {"Bis", FieldType::Date, 0},         {"Kasse", FieldType::Alpha, 30},
      {"Satz", FieldType::Number, 0},      {"Kuerzel", FieldType::Alpha, 5},
  };
  return {f, 0};
}

std::string storedText(const db::TField& f) {
  const db::Value& v = f.value();
  if (db::isNull(v)) return "e";
  switch (f.dataType()) {
    case FieldType::Alpha:
      return "s" + f.asString();
    case FieldType::Logical:
      return std::string("b") + (f.asBoolean() ? "1" : "0");
    case FieldType::Date:
      return "d" + std::get<std::string>(v);
    default: {
      char buf[32];
      auto end = std::to_chars(buf, buf + sizeof buf, f.asFloat().valueOr(0)).ptr;
      return "n" + std::string(buf, end);
    }
  }
}

struct Corpus {
  Corpus() {
    (void)db::TTable::createTable(folder.path.string(), "Bench.db", structure());
    (void)table.setDatabaseName(folder.path.string());
    (void)table.setTableName("Bench.db");
    (void)table.open();
    auto tx = table.startTransaction();
    for (int i = 0; i < kRecords; ++i) {
      (void)table.append();
      auto set = [&](int field, const std::string& text) { (void)table.fields(field).setAsString(text); };
      set(0, std::to_string(100000000 + i)), set(1, "Kunde " + std::to_string(i));
      set(2, "Hauptstraße " + std::to_string(i % 200)), set(3, "80333"), set(4, "München");
      (void)table.fields(5).setAsFloat(i * 1.25), (void)table.fields(6).setAsFloat((i % 1000) * 0.5);
      (void)table.fields(7).setAsFloat(i / 7.0), (void)table.fields(8).setAsInteger(i % 100);
      (void)table.fields(9).setAsInteger(i);
      set(10, std::to_string(1 + i % 28) + ".0" + std::to_string(1 + i % 9) + ".2024");
      (void)table.fields(11).setAsBoolean(i % 2);
      set(12, i % 3 ? "Bemerkung" : ""), set(13, "X" + std::to_string(i % 50));
      (void)table.fields(14).setAsFloat(i * 0.84), (void)table.fields(15).setAsInteger(i % 30);
      set(16, "31.12.2024"), set(17, "AOK Bayern"), (void)table.fields(18).setAsFloat(0.19), set(19, "AB");
      (void)table.post();
    }
    (void)tx->commit();
    std::ofstream out(values);
    for (Status st = table.first(); st && !table.eof(); st = table.next()) {
      for (int f = 0; f < table.fieldCount(); ++f) out << (f ? "\t" : "") << storedText(table.fields(f));
      out << "\n";
    }
  }
  Folder folder;
  db::TTable table;
  fs::path values = folder.path / "values.txt";
};

Corpus& corpus() {
  static Corpus c;
  return c;
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Ours: the table to a saved .xlsx; the seconds, or a negative value when the output is wrong.
double exportSeconds(benchmark::State& state) {
  Corpus& c = corpus();
  const fs::path target = c.folder.path / "ours.xlsx";
  fs::remove(target);
  const auto start = std::chrono::steady_clock::now();
  {
    TExcelExport ex(nullptr, "Bench");
    ex.SetDataset(&c.table);
    ex.ExcelVisible = false;
    ex.WorksheetName = "Bench";
    ex.ExportDataset();
    ex.SaveWorksheetAs(target.string(), 0);
    ex.DisconnectExcel();
  }
  const double s = seconds(start);
  office::Workbook back(nullptr, office::kMaxRows);
  if (!office::readXlsx(target, back) || back.worksheet(1)->usedRows() != kRecords + 1 ||
      back.worksheet(1)->value(kRecords + 1, 10) != office::CellValue(static_cast<double>(kRecords - 1))) {
    state.SkipWithError("the exported workbook does not read back");
    return -1;
  }
  return s;
}

// The peer: openpyxl's own seconds for writing the same values.
double openpyxlSeconds(benchmark::State& state) {
  Corpus& c = corpus();
  const fs::path target = c.folder.path / "peer.xlsx", timing = c.folder.path / "peer.seconds";
  auto code = platform::runAndWait({"/usr/bin/python3",
                                    std::string(RIVIZA_SOURCE_DIR) + "/benchmarks/office/openpyxl_peer.py",
                                    c.values.string(), target.string(), timing.string()});
  double s = -1;
  std::ifstream in(timing);
  if (!code || *code != 0 || !(in >> s) || !fs::exists(target))
    state.SkipWithError("python3-openpyxl missing or failed");
  return s;
}

void BM_ExportTableToXlsx(benchmark::State& state) {
  corpus();
  for (auto _ : state) state.counters["seconds"] = exportSeconds(state);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_OpenpyxlWriteOnly(benchmark::State& state) {
  corpus();
  for (auto _ : state) state.counters["seconds"] = openpyxlSeconds(state);
}

void BM_ExportRatio(benchmark::State& state) {
  corpus();
  double ours = 0, peer = 0;
  for (auto _ : state) {
    ours = exportSeconds(state);
    peer = openpyxlSeconds(state);
  }
  state.counters["ours_s"] = ours;
  state.counters["openpyxl_s"] = peer;
  state.counters["ratio"] = ours > 0 ? peer / ours : 0;
}

BENCHMARK(BM_ExportTableToXlsx)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenpyxlWriteOnly)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
