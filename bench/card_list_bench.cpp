// "Print Card List" over a large card file saved as PDF: the whole run
// (reading the cards through the report manager with its progress window,
// laying out the pages, the preview, the PDF) against writing the same
// pages as PDF alone.
//   card_list_pdf   seconds of the whole run
//   pdf_only        seconds of drawing the pages into a PDF file
// Flags: --cards=N (default 30000), --dir=DIR (default the temp directory).
// Runs on Qt's offscreen platform with the scripted GUI backend.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/card_list_report.h"
#include "app/card_record.h"
#include "app/program.h"
#include "framework/print_preview.h"
#include "gui/headless/headless_backend.h"
#include "gui/print/page_painter.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"

namespace {

namespace fs = std::filesystem;

double Now() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch())
      .count();
}

template <std::size_t N>
void Put(char (&field)[N], std::string_view text) {
  std::memset(field, ' ', N);
  std::memcpy(field, text.data(), std::min(N, text.size()));
}

bool WriteCards(const std::string& path, int cards) {
  vantrel::CardRecord record{};
  vantrel::FileDeclaration file;
  vantrel::DeclareCardFile(file, "VTL", record);
  file.name = path;
  vantrel::Create(file);
  vantrel::Open(file, vantrel::kDefaultOpenMode);
  if (vantrel::ErrorCode() != 0) return false;
  vantrel::Logout(file);  // one commit for the whole file
  vantrel::ClearCard(record);
  vantrel::Add(file);  // the header
  const char* categories[] = {"Work", "Family", "Friends", "Clubs", ""};
  for (int i = 0; i < cards && vantrel::ErrorCode() == 0; ++i) {
    vantrel::ClearCard(record);
    record.CREATEDDATE = 80000 + i / 1000;
    record.CREATEDTIME = i % 1000 + 1;
    char name[64];
    std::snprintf(name, sizeof name, "Name%06d, First %d", (i * 7919) % cards,
                  i % 97);
    Put(record.NAMEKEY, name);
    Put(record.LASTNAME, std::string_view(name, 10));
    Put(record.COMPANY, "Company " + std::to_string(i % 500));
    Put(record.PHONES, "555-" + std::to_string(1000 + i % 9000) +
                           "\r\nFax 555-" + std::to_string(2000 + i % 7000));
    Put(record.CATEGORY, categories[i % 5]);
    vantrel::Add(file);
  }
  bool ok = vantrel::ErrorCode() == 0;
  vantrel::Commit(file);
  ok = ok && vantrel::ErrorCode() == 0;
  vantrel::Close(file);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int cards = 30000;
  std::string dir = fs::temp_directory_path().string();
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.starts_with("--cards=")) cards = std::atoi(argv[i] + 8);
    if (arg.starts_with("--dir=")) dir = std::string(arg.substr(6));
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const fs::path work = fs::path(dir) / ("card_list_bench_" + std::to_string(getpid()));
  fs::create_directories(work);
  setenv("VANTREL_CONFIG_DIR", work.c_str(), 1);
  vantrel::StartRuntime();
  const std::string cards_path = (work / "cards.vtl").string();
  if (!WriteCards(cards_path, cards)) {
    std::fprintf(stderr, "card_list_bench: cannot write %s\n", cards_path.c_str());
    return 2;
  }

  vantrel::HeadlessBackend gui;
  vantrel::print::QtPageOutput output;
  vantrel::ErrorManager errors;
  errors.Init();
  vantrel::IniManager ini;
  ini.Init((work / "bench.ini").string());
  const std::string pdf = (work / "list.pdf").string();
  // The user lets the timer run the report, then saves the PDF from the
  // preview and closes it.
  int ticks = 0;
  std::string progress;
  gui.OnScriptExhausted([](const std::string& message) {
    std::fprintf(stderr, "card_list_bench: %s\n", message.c_str());
    std::exit(2);
  });
  for (int i = 0; i < 20000; ++i) {
    gui.Then([&] {
      const auto* shown = gui.Shown(vantrel::kCardListTitle);
      if (shown == nullptr || !shown->open) return;
      ++ticks;  // timer events the report ran on
      progress = shown->controls.at(vantrel::kCardListProgress).value;
    });
    gui.TickTimer();
  }
  gui.AnswerFileDialog({pdf});
  gui.On(vantrel::kPreviewTitle)
      .Click(vantrel::kPrevTbarSavePdf)
      .Click(vantrel::kPrevTbarExit);
  const double start = Now();
  vantrel::PrintCardList(errors, ini, cards_path, "");
  const double whole = Now() - start;
  if (!fs::exists(pdf)) {
    std::fprintf(stderr, "card_list_bench: no PDF was written\n");
    return 2;
  }

  // The same pages into a PDF file directly.
  std::vector<std::string> files;
  const double pdf_start = Now();
  {
    vantrel::CardListLayout layout("cards.vtl", "", "2026-01-01");
    vantrel::CardRecord card{};
    vantrel::ClearCard(card);
    for (int i = 0; i < cards; ++i) {
      Put(card.NAMEKEY, "Name" + std::to_string(i) + ", First");
      Put(card.COMPANY, "Company " + std::to_string(i % 500));
      Put(card.PHONES, "555-1000\r\nFax 555-2000");
      Put(card.CATEGORY, "Work");
      layout.AddCard(card);
    }
    vantrel::PageDirectory pages;
    std::string error;
    layout.WritePages(pages, files, error);
    std::optional<std::vector<vantrel::Page>> read =
        vantrel::print::ReadPages(files, error);
    if (!read || !vantrel::print::WritePdf(*read, (work / "direct.pdf").string(),
                                           "bench", error)) {
      std::fprintf(stderr, "card_list_bench: %s\n", error.c_str());
      return 2;
    }
  }
  const double pdf_only = Now() - pdf_start;
  std::printf("cards %d pages %zu timer events %d last progress \"%s\"\n", cards,
              files.size(), ticks, progress.c_str());
  std::printf("time card_list_pdf_%dk %.2f s\n", cards / 1000, whole);
  std::printf("time pdf_only_%dk %.2f s\n", cards / 1000, pdf_only);
  std::printf("ratio card_list_vs_pdf_only %.3f\n", whole / pdf_only);
  ini.Kill();
  errors.Kill();
  fs::remove_all(work);
  return 0;
}
