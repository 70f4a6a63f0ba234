// A card on its way in from another format, and the import that writes a
// batch of them into the open card file in one transaction.
//
//   Incoming cards come with the notes of what did not fit. Cards whose
//   stamps this program wrote match the card of the same creation stamp,
//   and the newer changed stamp wins; other cards equal in name, company
//   and phones to a live card are skipped; the rest are added with fresh
//   creation stamps.
#ifndef VANTREL_APP_INTERCHANGE_INCOMING_CARD_H_
#define VANTREL_APP_INTERCHANGE_INCOMING_CARD_H_

#include <optional>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/interchange/card_text.h"

namespace vantrel {

struct IncomingCard {
  CardRecord card{};  // the fields; stamps and keys are set by the import
  // Both stamps, when the card was written by this program.
  std::optional<CardStamp> created;
  std::optional<CardStamp> changed;
  std::string where;  // "card 3 (line 17)", for the summary
  std::vector<std::string> notes;
};

struct ImportSummary {
  int read = 0;
  int added = 0;
  int updated = 0;
  int not_newer = 0;   // this program's cards, not newer than the card file's
  int duplicates = 0;  // equal to a live card in name, company and phones
  int unnamed = 0;     // neither a name nor a company: no card to list
  // File-level notes, then card by card what did not fit.
  std::vector<std::string> notes;

  // The summary as the user reads it, one note a line.
  std::string Text() const;
};

// What an outside record holds for a card, in UTF-8, before it is laid out
// on the card's fields.
struct CardParts {
  std::string last;
  std::string first;
  // Used for the names when both are empty (and it is not the company):
  // its last word is the last name, the words before it the first name.
  std::string full_name;
  std::string company;
  std::optional<bool> list_by_company;  // else: when there is no name
  // Lines; a line may begin with the word of its type ("Mobile 555 0100").
  std::vector<std::string> phones;
  std::vector<std::string> categories;  // the first is the card's
  std::string note;                     // the contents
  std::vector<std::string> labelled;    // contents lines after the note
  std::vector<std::string> not_kept;    // names of what was left out
  std::optional<CardStamp> created;
  std::optional<CardStamp> changed;
};

// The words phone lines begin with for their type.
inline constexpr std::string_view kPhoneTypeWords[] = {"Mobile", "Fax", "Pager",
                                                       "Work", "Home"};

// The card of the parts: each field fitted (what does not fit is named in
// the notes). A phone line longer than a phone line may be loses its type
// word when the number then fits; phone lines that do not fit at all are
// kept in the contents.
IncomingCard CardFromParts(CardParts& parts, std::string where,
                           std::vector<std::string> notes);

// Writes the cards into the open card file of `data` in one transaction
// and fills the counts of `summary` and its card notes. False with `error`
// when the file could not be read or written: nothing is written then.
bool ImportCards(CardData& data, std::vector<IncomingCard>& cards,
                 ImportSummary* summary, std::string* error);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_INCOMING_CARD_H_
