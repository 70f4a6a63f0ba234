// "Print Card List...": a report over the card file, for the category of
// the selected tab (or every card), in name-key order. Each card prints its
// name key (a card without one: its company key, where the card window
// lists it too), company, phone lines and category; every page has the card
// file's name at the top and the date and "Page N of M" at the bottom. The
// progress window shows "n% Complete" while the cards are read; then the
// preview shows the pages, from where the user prints or saves a PDF file.
#ifndef VANTREL_APP_CARD_LIST_REPORT_H_
#define VANTREL_APP_CARD_LIST_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "app/card_record.h"
#include "framework/error_manager.h"
#include "framework/ini_manager.h"
#include "framework/report_manager.h"

namespace vantrel {

inline constexpr char kCardListTitle[] = "Print Card List";

// Controls of the progress window.
inline constexpr std::int16_t kCardListProgress = 1;
inline constexpr std::int16_t kCardListCancel = 2;

// Columns of the list, in thousandths of an inch from the page's left.
struct CardListColumns {
  static constexpr int kName = 500, kCompany = 2900, kPhone = 4950,
                       kCategory = 6800, kRight = 7768;
};

// The pages of the list: a header with the file's name and the columns'
// titles, a footer with the date and the page number.
class CardListLayout : public ReportLayout {
 public:
  CardListLayout(std::string file_name, std::string category,
                 std::string date);
  int HeaderHeight() const override;
  void DrawHeader(Page& page, int page_number, int top) override;
  int FooterHeight() const override;
  void DrawFooter(Page& page, int page_number, int page_count,
                  int top) override;
  // One card: a line per phone line, at least one.
  void AddCard(const CardRecord& card);

 private:
  std::string file_name_;
  std::string category_;
  std::string date_;
};

// A card field's text, from the card file's character set to UTF-8, without
// trailing blanks.
std::string CardText(std::string_view field);

// Runs the report over the card file named `file_name`; `category` empty
// lists every card; `zoom` is the preview's first zoom (0: the page's
// width). Returns whether pages were printed.
bool PrintCardList(ErrorManager& errors, IniManager& ini,
                   const std::string& file_name, const std::string& category,
                   std::int16_t zoom = 0);

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_LIST_REPORT_H_
