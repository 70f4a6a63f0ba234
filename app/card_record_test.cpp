#include "app/card_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/list_queues.h"
#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

struct ExpectedField {
  const char* name;
  FieldType type;
  std::size_t offset;
  std::size_t size;
};

#define CARD_FIELD(name, type) \
  {#name, FieldType::type, offsetof(CardRecord, name), sizeof CardRecord::name}

// The record's members, as the program reads and writes them.
const ExpectedField kCardFields[] = {
    {"RECORD", FieldType::GROUP, 0, kCardLength},
    CARD_FIELD(DELETED, BYTE),
    {"CREATED", FieldType::GROUP, offsetof(CardRecord, CREATEDDATE), 8},
    CARD_FIELD(CREATEDDATE, LONG),
    CARD_FIELD(CREATEDTIME, LONG),
    {"CHANGED", FieldType::GROUP, offsetof(CardRecord, CHANGEDDATE), 8},
    CARD_FIELD(CHANGEDDATE, LONG),
    CARD_FIELD(CHANGEDTIME, LONG),
    CARD_FIELD(NAMEKEY, STRING),
    CARD_FIELD(COMPANYKEY, STRING),
    CARD_FIELD(LASTNAME, STRING),
    CARD_FIELD(FIRSTNAME, STRING),
    CARD_FIELD(COMPANY, STRING),
    CARD_FIELD(LISTBYCOMPANY, BYTE),
    CARD_FIELD(PHONES, STRING),
    CARD_FIELD(CATEGORY, STRING),
    CARD_FIELD(CONTENTS, STRING),
};

TEST(CardRecordTest, DescriptorDescribesTheStructByteForByte) {
  for (const char* prefix : {"VTL", "CHG"}) {
    const TypeDescriptor descriptor = CardDescriptor(prefix);
    auto fields = descriptor.Fields();
    ASSERT_TRUE(fields.has_value());
    ASSERT_EQ(fields->size(), std::size(kCardFields));
    std::vector<int> covered(kCardLength, 0);
    for (std::size_t i = 0; i < fields->size(); ++i) {
      const FieldInfo& field = (*fields)[i];
      const ExpectedField& expected = kCardFields[i];
      EXPECT_EQ(field.label, std::string(prefix) + ":" + expected.name);
      EXPECT_EQ(field.type, expected.type) << field.label;
      EXPECT_EQ(field.offset, expected.offset) << field.label;
      EXPECT_EQ(field.Extent(), expected.size) << field.label;
      if (field.type == FieldType::GROUP) continue;
      for (std::size_t b = field.offset; b < field.offset + field.Extent(); ++b)
        ++covered[b];
    }
    // Every byte of the record belongs to exactly one field.
    for (std::size_t b = 0; b < kCardLength; ++b)
      EXPECT_EQ(covered[b], 1) << "byte " << b;
    auto map = RecordMap::Build(descriptor);
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(map->record_length(), kCardLength);
  }
}

TEST(CardRecordTest, FileDeclarationHasTheCreatedKey) {
  CardRecord record{};
  FileDeclaration file;
  KeyDeclaration& key = DeclareCardFile(file, "CHG", record);
  EXPECT_EQ(file.label, "CHG");
  EXPECT_EQ(file.driver_name, "TARNEL");
  EXPECT_EQ(file.record.size(), kCardLength);
  EXPECT_EQ(file.record.data(), reinterpret_cast<char*>(&record));
  EXPECT_EQ(key.label, "CHG:CREATEDKEY");
  EXPECT_EQ(key.flags, kKeyDup);  // duplicates, case-sensitive, not optional
  EXPECT_EQ(key.components, (std::vector<std::int16_t>{4, 5, 2}));
  for (std::int16_t component : key.components) {
    auto field = file.descriptor.Field(component);
    ASSERT_TRUE(field.has_value());
    EXPECT_TRUE(field->label == "CHG:CREATEDDATE" ||
                field->label == "CHG:CREATEDTIME" ||
                field->label == "CHG:DELETED")
        << field->label;
  }
}

TEST(CardRecordTest, ClearBlanksTextsAndZeroesNumbers) {
  CardRecord card;
  std::memset(&card, 'x', sizeof card);
  ClearCard(card);
  EXPECT_EQ(card.DELETED, 0);
  EXPECT_EQ(card.CREATEDDATE, 0);
  EXPECT_EQ(card.CHANGEDTIME, 0);
  EXPECT_EQ(card.LISTBYCOMPANY, 0);
  EXPECT_EQ(std::string(card.CONTENTS, sizeof card.CONTENTS),
            std::string(sizeof card.CONTENTS, ' '));
  EXPECT_TRUE(IsBlank(card.NAMEKEY));
}

TEST(ListQueuesTest, QueueDescriptorsMatchTheEntryStructs) {
  ListQueues queues;
  struct Case {
    Queue* queue;
    std::vector<std::pair<std::string, std::size_t>> fields;  // label, offset
    std::size_t length;
  } cases[] = {
      {&queues.all,
       {{"ALL:POINTER", offsetof(AllEntry, POINTER)},
        {"ALL:SORTKEY", offsetof(AllEntry, SORTKEY)},
        {"ALL:KEYTYPE", offsetof(AllEntry, KEYTYPE)},
        {"ALL:CATEGORY", offsetof(AllEntry, CATEGORY)}},
       sizeof(AllEntry)},
      {&queues.tab,
       {{"TAB:POINTER", 0}, {"TAB:SORTKEY", 4}, {"TAB:KEYTYPE", 44}},
       kTabEntryLength},
      {&queues.cat, {{"CAT:CATEGORY", 0}}, sizeof(CatEntry)},
      {&queues.undo,
       {{"UNDO:ACTION", offsetof(UndoEntry, ACTION)},
        {"UNDO:SORTKEY", offsetof(UndoEntry, SORTKEY)},
        {"UNDO:KEYTYPE", offsetof(UndoEntry, KEYTYPE)},
        {"UNDO:POINTER", offsetof(UndoEntry, POINTER)},
        {"UNDO:OLDPOINTER", offsetof(UndoEntry, OLDPOINTER)}},
       sizeof(UndoEntry)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.queue->record_length, c.length);
    auto map = RecordMap::Build(*c.queue->descriptor);
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(map->record_length(), c.length);
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      auto field = c.queue->descriptor->Field(i + 1);
      ASSERT_TRUE(field.has_value());
      EXPECT_EQ(field->label, c.fields[i].first);
      EXPECT_EQ(field->offset, c.fields[i].second) << field->label;
    }
  }
  // The pointers are LONG: record numbers past 16 bits survive.
  EXPECT_EQ(queues.all.descriptor->Field(1)->type, FieldType::LONG);
  EXPECT_EQ(queues.tab.descriptor->Field(1)->type, FieldType::LONG);
}

TEST(ListQueuesTest, ListSourceReadsPointerKeyAndTypeOfAllAndTab) {
  ListQueues queues;
  queues.all_entry.POINTER = 70000;
  Assign(queues.all_entry.SORTKEY, "Smith, Ann");
  queues.all_entry.KEYTYPE = kCompanyKey;
  std::memcpy(&queues.tab_entry, &queues.all_entry, kTabEntryLength);
  for (ListSourceRef source : {AllSource(queues), TabSource(queues)}) {
    EXPECT_EQ(source.pointer(), 70000);
    EXPECT_EQ(ClipText(source.sort_key()), "Smith, Ann");
    EXPECT_EQ(source.key_type(), kCompanyKey);
  }
}

}  // namespace
}  // namespace vantrel
