#include "app/card_data.h"

namespace vantrel {

ProgramState::ProgramState() {
  Assign(current_file_name, "");
  Assign(change_file_name, "");
  Assign(CurrentCategory, kAllCategory);
  Assign(CurrentKey, "");
  Assign(ReselectKey, "");
  Assign(FindText, "");
  ClearCard(SavedCard);
}

CardData::CardData()
    : card_key(&DeclareCardFile(card_file, "VTL", vtl)),
      change_key(&DeclareCardFile(change_file, "CHG", chg)) {
  ClearCard(vtl);
  ClearCard(chg);
  state.list_source = AllSource(queues);
}

}  // namespace vantrel
