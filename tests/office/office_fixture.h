// Set-up of the spreadsheet-layer tests: a fresh running application with one workbook, ranges
// by A1 names, and a gtest printer for cell values.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "office/application.h"
#include "office/range.h"

namespace riviza::office {

inline void PrintTo(const CellValue& v, std::ostream* os) {
  const char* kinds[] = {"empty", "number", "text", "flag", "date"};
  *os << kinds[v.index()] << " \"" << cellText(v) << "\"";
}

}  // namespace riviza::office

namespace riviza::test {

class OfficeTest : public ::testing::Test {
 protected:
  OfficeTest() {
    app = office::Application::start();
    book = *app->addWorkbook();
    sheet = book->worksheet(1);
  }
  ~OfficeTest() override { app->quit(); }

  // The range between two A1 names of the test's sheet (or another).
  office::Range at(const std::string& first, const std::string& last = "", office::Worksheet* ws = nullptr) {
    auto r = (ws ? *ws : *sheet).range(first, last.empty() ? first : last);
    EXPECT_TRUE(r.ok()) << first << ":" << last;
    return *r;
  }
  office::CellValue value(const std::string& a1) { return at(a1).value(); }
  const office::Style& style(const std::string& a1) {
    auto ref = office::parseA1(a1);
    return sheet->styleOf(ref->row, ref->column);
  }

  std::shared_ptr<office::Application> app;
  std::shared_ptr<office::Workbook> book;
  std::shared_ptr<office::Worksheet> sheet;
};

// The workbooks handed to the user, recorded instead of opened; the running application, which
// a visible export leaves behind, quit at the end.
struct WorkbookSpy {
  WorkbookSpy() = default;
  WorkbookSpy(const WorkbookSpy&) = delete;
  WorkbookSpy& operator=(const WorkbookSpy&) = delete;
  ~WorkbookSpy() {
    if (auto app = office::Application::running()) app->quit();
  }

  std::vector<std::string> opened;
  office::ScopedDocumentOpener spy{[this](const std::string& path) {
    opened.push_back(path);
    return okStatus();
  }};
};

}  // namespace riviza::test
