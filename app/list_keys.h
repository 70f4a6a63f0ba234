// The two list texts of a card, recomputed from its name fields before a
// version is written by a save.
//
//   Smith, Ann, Acme, listed by company:  NAMEKEY "Smith, Ann (Acme)",
//                                         COMPANYKEY "Acme (Ann Smith)"
//   only the company Acme, listed by it:  NAMEKEY empty, COMPANYKEY "Acme"
//   names without a company:              LISTBYCOMPANY becomes 0
#ifndef VANTREL_APP_LIST_KEYS_H_
#define VANTREL_APP_LIST_KEYS_H_

#include "app/card_record.h"

namespace vantrel {

void ComposeListKeys(CardRecord& card);

}  // namespace vantrel

#endif  // VANTREL_APP_LIST_KEYS_H_
