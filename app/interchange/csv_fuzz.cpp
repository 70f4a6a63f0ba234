// Reads arbitrary text as CSV and its rows as cards; the cards written back
// as CSV must read again as the same number of rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/interchange/csv.h"
#include "app/interchange/csv_cards.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CsvFile file = ReadCsv(text);
  if (!file.error.empty()) return 0;
  if (file.rows.size() != file.lines.size()) std::abort();
  std::vector<IncomingCard> cards;
  std::string error;
  if (!CardsFromCsv(file, &cards, &error)) return 0;
  std::vector<StoredCard> stored;
  for (IncomingCard& in : cards) {
    in.card.CREATEDDATE = in.card.CHANGEDDATE = 80000;
    in.card.CREATEDTIME = in.card.CHANGEDTIME = 100;
    stored.push_back({in.card, 0});
  }
  CsvFile again = ReadCsv(CsvFromCards(stored));
  if (!again.error.empty() || again.rows.size() != stored.size() + 1)
    std::abort();
  return 0;
}
