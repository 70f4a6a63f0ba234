// The card window's commands for vCards and CSV. Each asks for a file in
// the file dialog, works on the card file the window has open (through the
// card store, in one transaction for an import) and tells the user the
// outcome: an import in a summary window whose text can be read and copied,
// an export in a message box.
//
//   CardWindowCommands commands;
//   commands.import_vcards = [&] { return ImportVCardsCommand(data); };
#ifndef VANTREL_APP_INTERCHANGE_INTERCHANGE_COMMANDS_H_
#define VANTREL_APP_INTERCHANGE_INTERCHANGE_COMMANDS_H_

#include <string_view>

#include "app/card_data.h"
#include "app/card_window.h"
#include "app/interchange/incoming_card.h"
#include "app/interchange/vcard_cards.h"

namespace vantrel {

inline constexpr char kVCardFilter[] = "vCards|*.vcf|ALL|*.*";
inline constexpr char kCsvFilter[] = "CSV|*.csv|ALL|*.*";

// Each returns whether the card file changed, so that the window reads
// it again.
bool ImportVCardsCommand(CardData& data);
bool ImportCsvCommand(CardData& data);

// Export the cards of the category shown (all of them on the "ALL" tab
// and the find tab). The record buffer of the card file is kept as it was.
void ExportVCardsCommand(CardData& data, VCardVersion version);
void ExportCsvCommand(CardData& data);

// Offers the commands above in the card window.
void AddInterchangeCommands(CardData& data, CardWindowCommands& commands);

// The summary window: the counts and notes in a text the user can select
// and copy, and an OK button.
void ShowImportSummary(std::string_view title, const ImportSummary& summary);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_INTERCHANGE_COMMANDS_H_
