// The stored form of a list of records in a profile section:
//
//   key=2              the count of records, in decimal
//   key_1=Smith,Ann    record n (from 1): its fields as text joined by ","
//   key_2=Jones        a record with fewer fields stores only those given
//
// A field that holds a comma cannot be told from two fields when it is read
// back; the form has no escape for it.
#ifndef VANTREL_FRAMEWORK_INI_LIST_H_
#define VANTREL_FRAMEWORK_INI_LIST_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr int kMaxListFields = 3;
// The joined fields of one record are cut to at most this many bytes.
inline constexpr std::size_t kMaxListRecordLength = 5000;

// "key_n": the entry that holds record n.
std::string ListEntryName(std::string_view key, std::uint32_t n);

// The count stored under the key: its leading decimal digits (blanks before
// them skipped), 0 for anything else, at most UINT32_MAX.
std::uint32_t ParseListCount(std::string_view text);

// Part n (from 1) of a value: the text after the (n-1)-th comma up to the
// next comma or the end; empty when the value has fewer parts or n < 1.
std::string_view ListPart(std::string_view value, int n);

// The fields joined by "," and cut to `limit` bytes (at most
// kMaxListRecordLength). Line breaks, which an entry cannot hold, become
// blanks.
std::string JoinListFields(std::span<const std::string> fields,
                           std::size_t limit = kMaxListRecordLength);

// Reads the entry's value; nothing when the entry is missing.
using ListEntryReader =
    std::function<std::optional<std::string>(std::string_view entry)>;

// Reads the list stored under `key`, calling `record` with each record's
// value in order. A missing count reads as 0. The reading stops at the
// first missing record entry, so a count larger than the records the file
// holds (a damaged or hand-edited file) ends there instead of inventing
// records. Returns the number of records read.
std::uint32_t ReadList(const ListEntryReader& read, std::string_view key,
                       const std::function<void(std::string_view)>& record);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_INI_LIST_H_
