#include "app/card_list_report.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "app/list_queues.h"
#include "app/phone_lines.h"
#include "framework/file_manager.h"
#include "framework/print_preview.h"
#include "framework/process_manager.h"
#include "framework/relation_manager.h"
#include "os/posix/open_mode.h"
#include "runtime/data/text/charset.h"
#include "runtime/data/view/view_declaration.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

constexpr int kLineHeight = 190;  // 10 points and a little leading
constexpr int kPoints = 10;

PageItem Text(int x, int y, std::string text, int width = 0,
              int points = kPoints, bool bold = false,
              TextAlign align = TextAlign::kLeft) {
  PageItem item;
  item.x = x;
  item.y = y;
  item.width = width;
  item.points = points;
  item.bold = bold;
  item.align = align;
  item.text = std::move(text);
  return item;
}

PageItem Rule(int x, int y, int width) {
  PageItem item;
  item.kind = PageItem::Kind::kLine;
  item.x = x;
  item.y = y;
  item.width = width;
  return item;
}

std::string TodayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The report over the card file: reads the cards through a process
// manager and lays each out in the list.
class CardListReport : public ReportManager {
 public:
  CardListReport(ErrorManager& errors, ProcessManager& process,
                 CardListLayout& layout, PrintPreview& preview,
                 const CardRecord& card)
      : process_(process), layout_(layout), preview_(preview), card_(card) {
    ERRORS = &errors;
  }

  Level Init() override {
    ERRORS->SetProcedureName("PrintCardList");
    Level level = WindowManager::Init();
    if (level != Level::Proceed) return level;
    WindowDescription description;
    description.title = kCardListTitle;
    description.icon = "~Vantrel.ico";
    description.layout = {0, 0, 150, 50};
    description.modal = true;
    ControlDescription progress;
    progress.number = kCardListProgress;
    progress.kind = ControlKind::kPrompt;
    progress.text = CompleteText(0);
    progress.layout = {8, 8, 134, 10};
    ControlDescription cancel;
    cancel.number = kCardListCancel;
    cancel.kind = ControlKind::kButton;
    cancel.text = "Cancel";
    cancel.layout = {51, 28, 48, 14};
    description.controls = {progress, cancel};
    window_ = &OpenWindow(description);
    OPENED = 1;
    AddButton(kCardListCancel, kRequestCancelled);
    SetProperty(kPropTimer, 0, "1");
    ReportManager::Init(process_, &layout_, &preview_);
    return Level::Proceed;
  }

  std::uint8_t TakeRecord() override {
    layout_.AddCard(card_);
    return 0;
  }

  void Kill() override {
    if (DEAD) return;
    if (window_ != nullptr) {
      CloseWindow(window_);
      window_ = nullptr;
    }
    WindowManager::Kill();
    ERRORS->SetProcedureName();
  }

 private:
  ProcessManager& process_;
  CardListLayout& layout_;
  PrintPreview& preview_;
  const CardRecord& card_;
  Window* window_ = nullptr;
};

// Reads live cards only: not the header, which is the one record with
// every field blank, nor superseded or deleted versions.
class CardProcess : public ProcessManager {
 public:
  explicit CardProcess(const CardRecord& card) : card_(card) {}
  std::uint8_t ValidateRecord() override {
    if (card_.DELETED != 0) return kRecordFiltered;
    if (IsBlank(card_.NAMEKEY) && IsBlank(card_.COMPANYKEY) &&
        IsBlank(card_.LASTNAME) && IsBlank(card_.FIRSTNAME) &&
        IsBlank(card_.COMPANY) && IsBlank(card_.PHONES) &&
        IsBlank(card_.CATEGORY) && IsBlank(card_.CONTENTS)) {
      return kRecordFiltered;
    }
    return kRecordOk;
  }

 private:
  const CardRecord& card_;
};

}  // namespace

std::string CardText(std::string_view field) {
  std::size_t end = field.find_last_not_of(' ');
  field = end == std::string_view::npos ? std::string_view()
                                        : field.substr(0, end + 1);
  std::string out;
  for (char c : field) {
    char32_t u = WindowsToUnicode(static_cast<std::uint8_t>(c));
    if (u < 0x80) {
      out += static_cast<char>(u == 0 ? ' ' : u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

CardListLayout::CardListLayout(std::string file_name, std::string category,
                               std::string date)
    : file_name_(std::move(file_name)),
      category_(std::move(category)),
      date_(std::move(date)) {}

int CardListLayout::HeaderHeight() const { return 900; }

void CardListLayout::DrawHeader(Page& page, int page_number, int top) {
  (void)page_number;
  using C = CardListColumns;
  page.items.push_back(Text(C::kName, top + 250, file_name_,
                            C::kRight - C::kName, 14, true));
  page.items.push_back(Text(C::kName, top + 480,
                            category_.empty() ? "All cards"
                                              : "Category: " + category_,
                            C::kRight - C::kName, 11));
  const int titles = top + 760;
  page.items.push_back(Text(C::kName, titles, "Name", 0, kPoints, true));
  page.items.push_back(Text(C::kCompany, titles, "Company", 0, kPoints, true));
  page.items.push_back(Text(C::kPhone, titles, "Phone", 0, kPoints, true));
  page.items.push_back(
      Text(C::kCategory, titles, "Category", 0, kPoints, true));
  page.items.push_back(Rule(C::kName, titles + 60, C::kRight - C::kName));
}

int CardListLayout::FooterHeight() const { return 400; }

void CardListLayout::DrawFooter(Page& page, int page_number, int page_count,
                                int top) {
  using C = CardListColumns;
  page.items.push_back(Rule(C::kName, top + 100, C::kRight - C::kName));
  page.items.push_back(Text(C::kName, top + 300, date_, 0, 9));
  page.items.push_back(Text(C::kRight, top + 300,
                            "Page " + std::to_string(page_number) + " of " +
                                std::to_string(page_count),
                            0, 9, false, TextAlign::kRight));
}

void CardListLayout::AddCard(const CardRecord& card) {
  using C = CardListColumns;
  PhoneLines phones = SplitPhones(std::string_view(card.PHONES, sizeof card.PHONES));
  TrimPhones(phones);
  const int lines = std::max(phones.count, 1);
  std::vector<PageItem> items;
  const int base = kLineHeight - 50;
  // A card without a name is listed by its company, as in the card list.
  const std::string_view name =
      IsBlank(card.NAMEKEY)
          ? std::string_view(card.COMPANYKEY, sizeof card.COMPANYKEY)
          : std::string_view(card.NAMEKEY, sizeof card.NAMEKEY);
  items.push_back(
      Text(C::kName, base, CardText(name), C::kCompany - C::kName - 80));
  items.push_back(Text(C::kCompany, base,
                       CardText({card.COMPANY, sizeof card.COMPANY}),
                       C::kPhone - C::kCompany - 80));
  for (int i = 1; i <= phones.count; ++i) {
    items.push_back(Text(C::kPhone, base + (i - 1) * kLineHeight,
                         CardText(phones.lines[i]),
                         C::kCategory - C::kPhone - 80));
  }
  items.push_back(Text(C::kCategory, base,
                       CardText({card.CATEGORY, sizeof card.CATEGORY}),
                       C::kRight - C::kCategory));
  AddBand(lines * kLineHeight + 40, std::move(items));
}

bool PrintCardList(ErrorManager& errors, IniManager& ini,
                   const std::string& file_name,
                   const std::string& category, std::int16_t zoom) {
  // A declaration of its own, read-only, so that the report neither
  // disturbs nor closes the card window's open file.
  CardRecord card{};
  FileDeclaration file;
  DeclareCardFile(file, "VTL", card);
  file.name = file_name;
  FileManager files;
  files.Init(file, errors);
  files.OPENMODE = kOpenReadOnly | kOpenDenyNone;
  files.CREATE = 0;
  files.AddKey(*file.keys.begin(), "Created");
  RelationManager relations;
  relations.Init(files, false);

  ViewDeclaration view(file);
  std::uint8_t percent = 0;
  CardProcess process(card);
  process.Init(view, relations, &percent, kCardListProgress);
  process.AddSortOrder(
      nullptr, "+CHOOSE(VTL:NAMEKEY = '', VTL:COMPANYKEY, VTL:NAMEKEY),"
               "+VTL:COMPANY");
  if (!category.empty()) {
    char value[kCategoryLength];
    std::memset(value, ' ', sizeof value);
    std::memcpy(value, category.data(), std::min(category.size(), sizeof value));
    process.SetFilter("VTL:CATEGORY = " + FilterLiteral(Variable::Of(value), false));
  }
  process.SetFilter("VTL:DELETED = 0", "1 Live");

  CardListLayout layout(std::filesystem::path(file_name).filename().string(),
                        CardText(category), TodayText());
  PrintPreview preview(errors, ini);
  preview.MAXIMIZE = 1;  // pages want all the room there is
  CardListReport report(errors, process, layout, preview, card);
  report.ZOOM = zoom;
  report.Run();
  bool printed = false;
  if (report.completed) {
    printed = report.PrintPages();
    if (!printed && !report.last_error.empty()) {
      ShowMessage("The card list could not be printed.|" + report.last_error,
                  kCardListTitle, kNoticeIcon);
    }
  }
  process.Kill();
  relations.Kill();
  return printed;
}

}  // namespace vantrel
