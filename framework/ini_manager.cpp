#include "framework/ini_manager.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/ini_list.h"
#include "os/posix/profile_store.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

constexpr std::string_view kMaximize = "Maximize";
constexpr std::string_view kXPos = "XPos";
constexpr std::string_view kYPos = "YPos";
constexpr std::string_view kWidth = "Width";
constexpr std::string_view kHeight = "Height";
constexpr std::string_view kYes = "Yes";
constexpr std::string_view kNo = "No";

// TryFetch keeps one byte of its buffer for the terminating zero, so a
// record is stored no longer than what can be read back whole.
constexpr std::size_t kReadableLength = kIniFetchBufferSize - 1;

// A whole number written by UpdateWindow; nothing for anything else.
std::optional<int> ParseWhole(std::string_view text) {
  int value = 0;
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    return std::nullopt;
  return value;
}

// Assigns a stored part to a field; a part that is no value of the field's
// type leaves the field zero rather than the previous record's value.
void AssignPart(const Variable& field, std::string_view part) {
  if (!field.bound()) return;
  if (!StoreVariableValue(field, part)) std::memset(field.data, 0, field.size);
}

}  // namespace

SectorList::SectorList()
    : record{},
      descriptor(DescriptorBuilder()
                     .String("SECTORS:FAMILY", kSectorFieldLength)
                     .String("SECTORS:ITEM", kSectorFieldLength)
                     .String("SECTORS:TYPE", kSectorFieldLength)
                     .Descriptor()),
      queue(reinterpret_cast<std::uint8_t*>(&record), &descriptor,
            sizeof record) {}

IniManager::~IniManager() = default;

void IniManager::Init(std::string_view file_name) {
  FILENAME = std::string(file_name.substr(0, kIniFileNameLength));
  SECTORS = std::make_unique<SectorList>();
  Open();
  SectorRecord& r = SECTORS->record;
  FetchQueue(kSectorsSection, kSectorsKey, &SECTORS->queue,
             Variable::Of(r.FAMILY), Variable::Of(r.ITEM),
             Variable::Of(r.TYPE));
}

void IniManager::Kill() {
  if (!SECTORS) return;
  SectorRecord& r = SECTORS->record;
  UpdateQueue(kSectorsSection, kSectorsKey, &SECTORS->queue,
              Variable::Of(r.FAMILY), Variable::Of(r.ITEM),
              Variable::Of(r.TYPE));
  SECTORS.reset();
}

std::string IniManager::Fetch(std::string_view section,
                              std::string_view entry) const {
  return GetIni(section, entry, "", FILENAME);
}

std::string IniManager::TryFetch(std::string_view section,
                                 std::string_view entry) const {
  std::string value = GetIni(section, entry, kIniUnknown, FILENAME);
  if (value.size() > kReadableLength) value.resize(kReadableLength);
  return value;
}

void IniManager::Update(std::string_view section, std::string_view entry,
                        std::string_view value) {
  PutIni(section, entry, value, FILENAME);
}

std::string IniManager::FetchField(std::string_view section,
                                   std::string_view entry, int n) const {
  return std::string(ListPart(TryFetch(section, entry), n));
}

void IniManager::FetchQueue(std::string_view section, std::string_view key,
                            Queue* queue, const Variable& field1,
                            const Variable& field2,
                            const Variable& field3) const {
  auto read = [&](std::string_view entry) -> std::optional<std::string> {
    std::string value = TryFetch(section, entry);
    if (value == kIniUnknown) return std::nullopt;
    return value;
  };
  ReadList(read, key, [&](std::string_view value) {
    AssignPart(field1, ListPart(value, 1));
    AssignPart(field2, ListPart(value, 2));
    AssignPart(field3, ListPart(value, 3));
    Add(queue);
  });
}

void IniManager::UpdateQueue(std::string_view section, std::string_view key,
                             Queue* queue, const Variable& field1,
                             const Variable& field2, const Variable& field3) {
  std::uint32_t count = RecordCount(queue);
  Update(section, key, std::to_string(count));
  std::vector<std::string> fields;
  for (std::uint32_t n = 1; n <= count; ++n) {
    Get(queue, static_cast<std::int32_t>(n));
    fields.clear();
    for (const Variable* field : {&field1, &field2, &field3}) {
      if (field->bound()) fields.push_back(VariableValue(*field));
    }
    Update(section, ListEntryName(key, n),
           JoinListFields(fields, kReadableLength));
  }
}

void IniManager::FetchWindow(std::string_view procedure, Window& window) const {
  std::string maximize = TryFetch(procedure, kMaximize);
  if (maximize != kYes && maximize != kNo) return;
  bool resizable = window.description().resizable;
  WindowPlacement placement = window.placement;
  // Only a window that can be resized can be maximized.
  placement.maximized = maximize == kYes && resizable;
  if (!Fetch(procedure, kXPos).empty()) {
    Layout& normal = placement.normal;
    normal.x = ParseWhole(Fetch(procedure, kXPos)).value_or(normal.x);
    normal.y = ParseWhole(Fetch(procedure, kYPos)).value_or(normal.y);
    if (resizable) {
      // A size that is no positive number keeps the designed one.
      std::optional<int> width = ParseWhole(Fetch(procedure, kWidth));
      std::optional<int> height = ParseWhole(Fetch(procedure, kHeight));
      if (width && *width > 0) normal.width = *width;
      if (height && *height > 0) normal.height = *height;
    }
  }
  PlaceWindow(window, placement);
}

void IniManager::UpdateWindow(std::string_view procedure,
                              const Window& window) {
  const WindowPlacement& placement = window.placement;
  if (placement.iconized) return;
  Update(procedure, kMaximize, placement.maximized ? kYes : kNo);
  if (placement.maximized) return;
  Update(procedure, kXPos, std::to_string(placement.normal.x));
  Update(procedure, kYPos, std::to_string(placement.normal.y));
  if (!window.description().resizable) return;
  Update(procedure, kWidth, std::to_string(placement.normal.width));
  Update(procedure, kHeight, std::to_string(placement.normal.height));
}

}  // namespace vantrel
