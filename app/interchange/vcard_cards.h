// Cards to and from vCards.
//
// Import takes N (or FN split, when there is no N) as the names, ORG as the
// company (a card without a person's name is listed by company), each TEL
// as a phone line with its type as a word before the number ("Mobile",
// "Work", "Home", "Fax", "Pager"), the first of CATEGORIES as the category
// and NOTE as the contents; EMAIL, ADR, URL, BDAY, TITLE, NICKNAME, the
// further categories and what does not fit the phone lines follow in the
// contents as labelled lines. Every other property is named in the notes.
//
// Export writes UTF-8 vCards, 3.0 or 4.0, with the stamps carried in UID
// (the creation stamp), REV and X-VANTREL-CHANGED (the changed stamp), so
// that importing them back gives the same cards field for field.
#ifndef VANTREL_APP_INTERCHANGE_VCARD_CARDS_H_
#define VANTREL_APP_INTERCHANGE_VCARD_CARDS_H_

#include <string>
#include <string_view>
#include <vector>

#include "app/card_store.h"
#include "app/interchange/incoming_card.h"
#include "app/interchange/vcard.h"

namespace vantrel {

enum class VCardVersion { k30, k40 };

std::vector<IncomingCard> CardsFromVCards(const VCardFile& file);

std::string VCardsFromCards(const std::vector<StoredCard>& cards,
                            VCardVersion version);

// Reads vCard text and imports its cards into the open card file of `data`
// in one transaction. False with `error` when the text is not a set of
// whole vCards or the file cannot be written; the card file is unchanged.
bool ImportVCardText(CardData& data, std::string_view text,
                     ImportSummary* summary, std::string* error);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_VCARD_CARDS_H_
