#include "runtime/data/driver/driver_entry.h"

namespace vantrel {
namespace {

// The list that starts at `at`: its count byte, then its members; empty when
// the count runs past the end.
std::span<const std::uint8_t> CountedList(std::span<const std::uint8_t> bytes,
                                          std::size_t at) {
  if (at >= bytes.size()) return {};
  std::size_t count = bytes[at];
  if (at + 1 + count > bytes.size()) return {};
  return bytes.subspan(at + 1, count);
}

bool Contains(std::span<const std::uint8_t> list, std::uint8_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::span<const std::uint8_t> DriverEntry::SupportedOps() const {
  return CountedList(supported, 0);
}

std::span<const std::uint8_t> DriverEntry::SupportedTypes() const {
  if (supported.empty()) return {};
  return CountedList(supported, std::size_t{1} + supported[0]);
}

bool DriverEntry::Supports(DriverOp op) const {
  return Contains(SupportedOps(), static_cast<std::uint8_t>(op));
}

bool DriverEntry::SupportsType(std::uint8_t field_type) const {
  return Contains(SupportedTypes(), field_type);
}

}  // namespace vantrel
