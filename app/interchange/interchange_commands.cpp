#include "app/interchange/interchange_commands.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/card_store.h"
#include "app/interchange/card_text.h"
#include "app/interchange/csv_cards.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/event_numbers.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// The file dialogs write into a variable this long.
constexpr std::size_t kPathLength = 1024;

enum SummaryControl : std::int16_t { kSummaryText = 1, kSummaryOk = 2 };

std::optional<std::string> AskForFile(std::string_view title,
                                      std::string_view filter, int flags) {
  char path[kPathLength];
  StoreText(path, "");
  if (!FileDialog(title, Variable::Of(path), filter,
                  flags | kFileKeepDirectory))
    return std::nullopt;
  return std::string(ClipText(std::string_view(path, sizeof path)));
}

void Tell(std::string_view text, std::string_view caption) {
  std::vector<std::string> ignored;
  ShowMessage(ToWindows1252(text, {}, &ignored), caption,
              StandardIconString(kIconAsterisk), kButtonOk);
}

bool ImportFile(CardData& data, std::string_view title, std::string_view filter,
                bool (*import)(CardData&, std::string_view, ImportSummary*,
                               std::string*)) {
  std::optional<std::string> path = AskForFile(title, filter, 0);
  if (!path) return false;
  std::ifstream in(*path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in || in.bad()) {
    Tell("Cannot read " + *path, title);
    return false;
  }
  // The import reads and writes through the card file's record buffer.
  const CardRecord shown = data.vtl;
  ImportSummary summary;
  std::string error;
  const bool imported = import(data, text.str(), &summary, &error);
  data.vtl = shown;
  if (!imported) {
    Tell(*path + ": " + error + "|The card file is unchanged.", title);
    return false;
  }
  ShowImportSummary(title, summary);
  return summary.added + summary.updated > 0;
}

// The cards the window shows: those of the selected category tab, or all.
std::optional<std::vector<StoredCard>> CardsToExport(CardData& data,
                                                     std::string_view title) {
  std::vector<StoredCard> cards;
  std::string error;
  const CardRecord shown = data.vtl;
  const bool read = ReadLiveCards(data, &cards, &error);
  data.vtl = shown;
  if (!read) {
    Tell(error, title);
    return std::nullopt;
  }
  const std::string_view category = Clipped(data.state.CurrentCategory);
  if (category != kAllCategory && data.state.FindTabFeq == 0) {
    std::erase_if(cards, [&](const StoredCard& s) {
      return Clipped(s.card.CATEGORY) != category;
    });
  }
  return cards;
}

void ExportFile(
    CardData& data, std::string_view title, std::string_view filter,
    const std::function<std::string(const std::vector<StoredCard>&)>& write) {
  std::optional<std::string> path = AskForFile(title, filter, kFileSave);
  if (!path) return;
  std::optional<std::vector<StoredCard>> cards = CardsToExport(data, title);
  if (!cards) return;
  // Written beside the target first, so that a failure leaves no half file.
  const std::string part = *path + ".part";
  std::ofstream out(part, std::ios::binary | std::ios::trunc);
  out << write(*cards);
  out.close();
  std::error_code error;
  if (out) std::filesystem::rename(part, *path, error);
  if (!out || error) {
    std::filesystem::remove(part, error);
    Tell("Cannot write " + *path, title);
    return;
  }
  Tell("Cards Exported: " + std::to_string(cards->size()), title);
}

}  // namespace

bool ImportVCardsCommand(CardData& data) {
  return ImportFile(data, "Import vCards", kVCardFilter, ImportVCardText);
}

bool ImportCsvCommand(CardData& data) {
  return ImportFile(data, "Import CSV", kCsvFilter, ImportCsvText);
}

void ExportVCardsCommand(CardData& data, VCardVersion version) {
  ExportFile(
      data,
      version == VCardVersion::k40 ? "Export vCards 4.0" : "Export vCards",
      kVCardFilter, [version](const std::vector<StoredCard>& cards) {
        return VCardsFromCards(cards, version);
      });
}

void ExportCsvCommand(CardData& data) {
  ExportFile(data, "Export CSV", kCsvFilter, CsvFromCards);
}

void AddInterchangeCommands(CardData& data, CardWindowCommands& commands) {
  commands.import_vcards = [&data] { return ImportVCardsCommand(data); };
  commands.export_vcards = [&data] {
    ExportVCardsCommand(data, VCardVersion::k30);
  };
  commands.export_vcards_40 = [&data] {
    ExportVCardsCommand(data, VCardVersion::k40);
  };
  commands.import_csv = [&data] { return ImportCsvCommand(data); };
  commands.export_csv = [&data] { ExportCsvCommand(data); };
}

void ShowImportSummary(std::string_view title, const ImportSummary& summary) {
  std::vector<std::string> ignored;
  std::string text = ToWindows1252(ToRecordLines(summary.Text()), {}, &ignored);
  WindowDescription window;
  window.title = std::string(title);
  window.layout = {0, 0, 300, 180};
  window.resizable = true;
  window.modal = true;
  ControlDescription body;
  body.number = kSummaryText;
  body.kind = ControlKind::kText;
  body.layout = {6, 6, 288, 148};
  body.variable = {FieldType::STRING,
                   reinterpret_cast<std::uint8_t*>(text.data()),
                   static_cast<std::uint32_t>(text.size()), 0};
  ControlDescription ok;
  ok.number = kSummaryOk;
  ok.kind = ControlKind::kButton;
  ok.text = "&OK";
  ok.layout = {244, 160, 50, 14};
  window.controls = {body, ok};
  OpenWindow(window);
  AcceptLoop([] {
    if (CurrentEvent() == kEventAccepted && AcceptedField() == kSummaryOk)
      EndLoop();
  });
  CloseWindow();
}

}  // namespace vantrel
