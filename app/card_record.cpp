#include "app/card_record.h"

#include <cstring>
#include <string>

#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/record_clear.h"

namespace vantrel {

TypeDescriptor CardDescriptor(std::string_view prefix) {
  const std::string p = std::string(prefix) + ":";
  auto label = [&p](const char* name) { return p + name; };
  return DescriptorBuilder()
      .Group(label("RECORD"))
      .Byte(label("DELETED"))
      .Group(label("CREATED"))
      .Long(label("CREATEDDATE"))
      .Long(label("CREATEDTIME"))
      .End()
      .Group(label("CHANGED"))
      .Long(label("CHANGEDDATE"))
      .Long(label("CHANGEDTIME"))
      .End()
      .String(label("NAMEKEY"), sizeof CardRecord::NAMEKEY)
      .String(label("COMPANYKEY"), sizeof CardRecord::COMPANYKEY)
      .String(label("LASTNAME"), sizeof CardRecord::LASTNAME)
      .String(label("FIRSTNAME"), sizeof CardRecord::FIRSTNAME)
      .String(label("COMPANY"), sizeof CardRecord::COMPANY)
      .Byte(label("LISTBYCOMPANY"))
      .String(label("PHONES"), sizeof CardRecord::PHONES)
      .String(label("CATEGORY"), sizeof CardRecord::CATEGORY)
      .String(label("CONTENTS"), sizeof CardRecord::CONTENTS)
      .End()
      .Descriptor();
}

KeyDeclaration& DeclareCardFile(FileDeclaration& file, std::string_view prefix,
                                CardRecord& record) {
  file.label = std::string(prefix);
  file.driver_name = "TARNEL";
  file.descriptor = CardDescriptor(prefix);
  file.record = record.bytes();
  KeyDeclaration key;
  key.label = std::string(prefix) + ":CREATEDKEY";
  key.flags = kKeyDup;
  key.components = {kCardCreatedDate, kCardCreatedTime, kCardDeleted};
  return file.AddKey(std::move(key));
}

void SetFileName(FileDeclaration& file, std::span<const char> name_variable) {
  file.name = std::string(
      ClipText(std::string_view(name_variable.data(), name_variable.size())));
}

void ClearCard(CardRecord& card) {
  static const TypeDescriptor descriptor = CardDescriptor("VTL");
  auto bytes = card.bytes();
  ClearRecord(descriptor, {reinterpret_cast<std::uint8_t*>(bytes.data()),
                           bytes.size()});
}

}  // namespace vantrel
