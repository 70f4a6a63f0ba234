#include "app/list_keys.h"

#include <string>

namespace vantrel {

void ComposeListKeys(CardRecord& card) {
  Assign(card.NAMEKEY, "");
  const bool has_names = !IsBlank(card.LASTNAME) || !IsBlank(card.FIRSTNAME);
  if (has_names) {
    Assign(card.NAMEKEY, std::string_view(card.LASTNAME, sizeof card.LASTNAME));
    if (!IsBlank(card.FIRSTNAME)) {
      Assign(card.NAMEKEY,
             std::string(Clipped(card.NAMEKEY)) + ", " +
                 std::string(card.FIRSTNAME, sizeof card.FIRSTNAME));
    }
    if (!IsBlank(card.COMPANY)) {
      Assign(card.NAMEKEY, std::string(Clipped(card.NAMEKEY)) + " (" +
                               std::string(Clipped(card.COMPANY)) + ")");
    } else {
      card.LISTBYCOMPANY = 0;
    }
  }
  Assign(card.COMPANYKEY, "");
  if (card.LISTBYCOMPANY != 0) {
    Assign(card.COMPANYKEY, Clipped(card.COMPANY));
    if (has_names) {
      Assign(card.COMPANYKEY, std::string(Clipped(card.COMPANYKEY)) + " (" +
                                  std::string(Clipped(card.FIRSTNAME)) + " " +
                                  std::string(Clipped(card.LASTNAME)) + ")");
    }
  }
}

}  // namespace vantrel
