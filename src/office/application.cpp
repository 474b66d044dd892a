// The application object, its workbooks and the presentation of visible workbooks (office
// layer); see application.h.
#include "office/application.h"

#include <algorithm>
#include <cassert>
#include <cerrno>

#include "office/errors.h"
#include "office/file_formats.h"
#include "office/save_file.h"
#include "platform/files.h"
#include "platform/launcher.h"
#include "platform/paths.h"

namespace riviza::office {
namespace {

std::shared_ptr<Application>& runningSlot() {
  static std::shared_ptr<Application> slot;
  return slot;
}

Status openWithDesktop(const std::string& pathText) {
  auto process = platform::openDocument(pathText);
  if (!process)
    return Error::make(
        kOpenFailed, "Die Arbeitsmappe " + pathText +
                         " wurde gespeichert, konnte aber nicht geöffnet werden: " + process.error().message);
  return okStatus();  // the opener runs on; its Process reaps it when it ends
}

DocumentOpener& opener() {
  static DocumentOpener current = openWithDesktop;
  return current;
}

Error quitError() { return Error::make(kClosed, "Die Tabellenkalkulation wurde beendet"); }

}  // namespace

DocumentOpener setDocumentOpener(DocumentOpener next) {
  DocumentOpener previous = std::move(opener());
  opener() = next ? std::move(next) : DocumentOpener(openWithDesktop);
  return previous;
}

Application::~Application() {
  for (auto& book : books_) {
    book->app_ = nullptr;  // the workbook outlives us only in a caller's hand, closed
    book->close();
  }
}

std::shared_ptr<Application> Application::start() {
  runningSlot() = std::make_shared<Application>();
  return runningSlot();
}

std::shared_ptr<Application> Application::connect() { return runningSlot() ? runningSlot() : start(); }

std::shared_ptr<Application> Application::running() { return runningSlot(); }

std::shared_ptr<Workbook> Application::workbook(int index) const {
  if (index < 1 || index > workbookCount()) return nullptr;
  return books_[static_cast<size_t>(index - 1)];
}

Result<std::shared_ptr<Workbook>> Application::addWorkbook() {
  if (quitted_) return quitError();
  auto book = std::make_shared<Workbook>(this, kMaxRows);
  book->appendWorksheet("Tabelle1");
  books_.push_back(book);
  active_ = book;
  assertInvariants();
  return book;
}

Result<std::shared_ptr<Workbook>> Application::openWorkbook(std::string_view pathText) {
  if (quitted_) return quitError();
  const std::filesystem::path file = platform::nativePath(pathText);
  if (!platform::fileExists(pathText))
    return Error::make(kFileNotFound,
                       "Die Datei " + platform::displayPath(pathText) + " wurde nicht gefunden");
  auto head = platform::File::openNative(file.string(), platform::File::Mode::Read);
  if (!head) return head.error();
  unsigned char magic[4] = {};
  auto got = head->read(magic, sizeof magic);
  if (!got) return got.error();
  const bool zip = *got == 4 && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4;
  const bool ole = *got == 4 && magic[0] == 0xD0 && magic[1] == 0xCF && magic[2] == 0x11 && magic[3] == 0xE0;
  if (!zip && !ole)
    return Error::make(kBadFile,
                       "Die Datei " + platform::displayPath(pathText) + " ist keine Excel-Arbeitsmappe");
  constexpr int kXlsRows = 65536;
  auto book = std::make_shared<Workbook>(this, zip ? kMaxRows : kXlsRows);
  RIVIZA_TRY(zip ? readXlsx(file, *book) : readXls(file, *book));
  if (book->worksheetCount() == 0) book->appendWorksheet("Tabelle1");
  book->setFullName(std::string(pathText));
  books_.push_back(book);
  active_ = book;
  assertInvariants();
  return book;
}

std::shared_ptr<Workbook> Application::activeWorkbook() const { return active_; }

void Application::assertInvariants() const {
  assert(!active_ || std::find(books_.begin(), books_.end(), active_) != books_.end());
  assert(!active_ == books_.empty());
  assert(!quitted_ || (books_.empty() && runningSlot().get() != this));
}

void Application::forget(const Workbook* book) {
  books_.erase(std::remove_if(books_.begin(), books_.end(), [&](const auto& b) { return b.get() == book; }),
               books_.end());
  if (active_.get() == book) active_ = books_.empty() ? nullptr : books_.back();
  if (!quitted_) assertInvariants();  // quit() closes them one by one, then checks
}

void Application::quit() {
  if (quitted_) return;
  quitted_ = true;
  while (!books_.empty()) books_.back()->close();
  if (runningSlot().get() == this) runningSlot().reset();
  assertInvariants();
}

Result<std::string> Application::presentWorkbook(Workbook& book) {
  if (quitted_ || book.closed()) return quitError();
  if (exportFolder_.empty())
    return Error::make(kWriteFailed, "Kein Exportordner für die Arbeitsmappe angegeben");
  // Made there, the folder would be dosdevices/e: itself, which then stands in the way of a share
  // connected to that letter.
  if (platform::unmappedDrive(exportFolder_))
    return platform::errnoError(ENODEV, "Exportordner anlegen", exportFolder_);
  auto sheet = book.activeSheet();
  const std::string base = sheet ? sheet->name() : "Mappe";
  auto reserved = reserveStampedFile(platform::nativePath(exportFolder_), base, ".xlsx");
  if (!reserved) return reserved.error();
  const std::filesystem::path target = *reserved;
  Status written =
      writeFileSafely(target, true, [&](const std::filesystem::path& temp) { return writeXlsx(book, temp); });
  if (!written) {
    std::error_code ignored;  // the write's failure is the one to report
    std::filesystem::remove(target, ignored);
    return written.error();
  }
  book.presentedRevision = book.revision();
  const std::string shown = platform::userPath(target);
  RIVIZA_TRY(opener()(shown));
  return shown;
}

Result<std::vector<std::string>> Application::present() {
  std::vector<std::string> shown;
  const auto books = books_;  // a workbook may close while the opener runs
  for (const auto& book : books) {
    if (book->closed() || book->presentedRevision == book->revision()) continue;
    auto path = presentWorkbook(*book);
    if (!path) return path.error();
    shown.push_back(*path);
  }
  return shown;
}

}  // namespace riviza::office
