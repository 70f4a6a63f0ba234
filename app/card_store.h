// The card file outside the card window: creating one, opening it to read
// or to write, reading its live cards, and writing a batch of card versions
// in one transaction. Import, export and the command-line tool work through
// these, so every writer keeps the rules of the card data model: the header
// first, a card named by its creation stamp, a change written as a new
// version with the old one retired, list keys composed before a write.
//
//   CardData data;
//   std::string error;
//   if (!OpenCardStore(data, "cards.vtl", CardAccess::kWrite, &error)) ...
//   std::vector<StoredCard> cards;
//   ReadLiveCards(data, &cards, &error);
//   CloseCardStore(data);
#ifndef VANTREL_APP_CARD_STORE_H_
#define VANTREL_APP_CARD_STORE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "app/card_data.h"

namespace vantrel {

enum class CardAccess {
  kRead,   // read only; others may read and write
  kWrite,  // read and write; others may only read, as the card window opens
};

// A live card and its record number.
struct StoredCard {
  CardRecord card;
  std::int32_t pointer = 0;
};

// One write of a batch: a new card (replaces == 0) or a new version of the
// live card at record number `replaces`, which is retired.
struct CardWrite {
  CardRecord card;
  std::int32_t replaces = 0;
};

// Creates the card file with its header, stamped now. Fails (with `error`)
// when the file exists.
bool CreateCardStore(CardData& data, const std::string& path,
                     std::string* error);

// Opens the card file as the card file of `data`. A file another program
// holds for writing gives an error that says the file is in use.
bool OpenCardStore(CardData& data, const std::string& path, CardAccess access,
                   std::string* error);
void CloseCardStore(CardData& data);

// The header (its changed stamp is the last export) and the live cards of
// the open card file, in file order.
bool ReadCardHeader(CardData& data, StoredCard* header, std::string* error);
bool ReadLiveCards(CardData& data, std::vector<StoredCard>* cards,
                   std::string* error);

// Writes the batch in one transaction: each card's list keys are composed
// and it is added live; a replaced version is retired first. Any failure
// rolls the whole batch back and leaves the file as it was.
bool WriteCards(CardData& data, std::vector<CardWrite>& writes,
                std::string* error);

// Sets the header's changed stamp, the last export stamp.
bool SetLastExportStamp(CardData& data, std::int32_t date, std::int32_t time,
                        std::string* error);

// Change files keep two copies of a card file in step.
struct ChangeCounts {
  int read = 0;     // records looked at (of the category, on export)
  int written = 0;  // records exported, or imported
};

// Writes a new change file at `path`: a header stamped now, then every
// record of the card file after its header, whatever its DELETED flag,
// whose changed stamp is not older than the last export stamp (of
// `category` only, unless it is empty or "ALL"), byte for byte. Then the
// last export stamp becomes now. A failure removes the change file.
bool ExportChanges(CardData& data, const std::string& path,
                   std::string_view category, ChangeCounts* counts,
                   std::string* error);

// Reads the change file at `path` into the card file in one transaction:
// each live record after the header is added when the card file has no
// live card of its creation stamp, or written over that card in place when
// its changed stamp is newer. Deleted and superseded records are skipped.
bool ImportChanges(CardData& data, const std::string& path,
                   ChangeCounts* counts, std::string* error);

// Whether two cards hold the same name, company and phones.
bool SameNameCompanyPhones(const CardRecord& a, const CardRecord& b);

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_STORE_H_
