// Cards to and from CSV.
//
// Export writes UTF-8 with a header row of the card's fields:
//   Last Name,First Name,Company,List By Company,Phones,Category,Contents,
//   Created,Changed
// phone and contents lines separated by line breaks inside the field, the
// stamps as "YYYY-MM-DD HH:MM:SS.hh". Import reads that, and the columns
// other address books write, by their header names in any case: "Surname",
// "Given Name", "Organization", "Mobile Phone", "Business Phone", "Notes",
// "E-mail Address" and so on. A column it does not know goes to the
// contents as a labelled line.
#ifndef VANTREL_APP_INTERCHANGE_CSV_CARDS_H_
#define VANTREL_APP_INTERCHANGE_CSV_CARDS_H_

#include <string>
#include <string_view>
#include <vector>

#include "app/card_store.h"
#include "app/interchange/csv.h"
#include "app/interchange/incoming_card.h"

namespace vantrel {

// The cards of the rows after the header row; false with `error` when the
// header names no field of a card.
bool CardsFromCsv(const CsvFile& file, std::vector<IncomingCard>* cards,
                  std::string* error);

std::string CsvFromCards(const std::vector<StoredCard>& cards);

// Reads CSV text (UTF-8, with or without a byte order mark; text that is
// not UTF-8 is read as Windows-1252) and imports its cards into the open
// card file of `data` in one transaction. False with `error` when the text
// cannot be read as cards or the file cannot be written; the card file is
// unchanged then.
bool ImportCsvText(CardData& data, std::string_view text,
                   ImportSummary* summary, std::string* error);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_CSV_CARDS_H_
