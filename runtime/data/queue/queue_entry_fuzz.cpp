// Feeds arbitrary bytes to the run-length decoder. The first two bytes pick
// the record length; a successful decode must re-encode to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/data/queue/queue_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 2) return 0;
  std::size_t record_length = data[0] | (std::size_t{data[1]} << 8);
  std::span<const std::uint8_t> runs(data + 2, size - 2);

  std::vector<std::uint8_t> record(record_length);
  std::optional<std::size_t> written = vantrel::DecodeRuns(runs, record);
  std::vector<std::uint8_t> prefix(record_length / 2);
  bool prefix_ok = vantrel::DecodeRunsPrefix(runs, prefix);
  if (!written) return 0;
  if (*written >= prefix.size() && !prefix_ok) std::abort();

  record.resize(*written);
  std::vector<std::uint8_t> packed(record.size() * 2 + 16);
  std::optional<std::size_t> packed_size = vantrel::EncodeRuns(record, packed);
  if (!packed_size) std::abort();
  std::vector<std::uint8_t> again(record.size());
  std::optional<std::size_t> again_size = vantrel::DecodeRuns(
      std::span<const std::uint8_t>(packed.data(), *packed_size), again);
  if (again_size != record.size() || again != record) std::abort();
  return 0;
}
