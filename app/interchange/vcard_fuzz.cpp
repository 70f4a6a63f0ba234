// Reads arbitrary text as vCards, lays the cards out on card records and
// writes them back as vCards, which must read again without an error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/interchange/vcard.h"
#include "app/interchange/vcard_cards.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  VCardFile file = ReadVCards(text);
  if (!file.error.empty()) return 0;
  std::vector<IncomingCard> cards = CardsFromVCards(file);
  if (cards.size() != file.cards.size()) std::abort();
  std::vector<StoredCard> stored;
  for (IncomingCard& in : cards) {
    in.card.CREATEDDATE = in.card.CHANGEDDATE = 80000;
    in.card.CREATEDTIME = in.card.CHANGEDTIME = 100;
    stored.push_back({in.card, 0});
  }
  const std::string written = VCardsFromCards(stored, VCardVersion::k40);
  VCardFile again = ReadVCards(written);
  if (!again.error.empty() || again.cards.size() != stored.size()) std::abort();
  return 0;
}
