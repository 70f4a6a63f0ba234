// Memo contents cut into chunks and read back, and arbitrary chunks read as
// memos. The first byte picks the form; the rest is the contents, and is also
// cut into chunks at lengths taken from the input itself.
//   contents -> chunks -> contents gives back what went in (a MEMO without
//   its trailing spaces, padded to the declared size), and the chunks pass
//   the consistency check; arbitrary chunks never crash the reader, and a
//   BLOB reads only when its chunks are consistent.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "storage/tnl/table/memo_store.h"

namespace {

constexpr std::uint8_t kBlobBit = 0x01;
constexpr std::uint8_t kOemBit = 0x02;

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  if (size == 0) return 0;
  const MemoForm form{(data[0] & kBlobBit) != 0,
                      (data[0] & kOemBit) != 0 && (data[0] & kBlobBit) == 0};
  const std::span<const std::uint8_t> contents(data + 1, size - 1);

  const auto chunks = MemoChunks(contents, form);
  Require(chunks.has_value());
  Require(ChunksConsistent(*chunks, form));
  const auto back = MemoContents(*chunks, form, contents.size());
  Require(back.has_value());
  if (form.blob) {
    Require(std::equal(back->begin(), back->end(), contents.begin(),
                       contents.end()));
  } else {
    std::size_t kept = contents.size();
    while (kept > 0 && contents[kept - 1] == ' ') --kept;
    Require(back->size() == contents.size());
    Require(
        std::equal(contents.begin(), contents.begin() + kept, back->begin()));
    Require(std::all_of(back->begin() + kept, back->end(),
                        [](std::uint8_t c) { return c == ' '; }));
  }

  // The same bytes as hostile chunks: each chunk's length is the byte that
  // starts it.
  std::vector<ByteString> hostile;
  for (std::size_t at = 0; at < contents.size();) {
    const std::size_t length =
        std::min<std::size_t>(contents[at], contents.size() - at);
    hostile.emplace_back(contents.begin() + at, contents.begin() + at + length);
    at += length == 0 ? 1 : length;
  }
  const auto read = MemoContents(hostile, form, contents.size());
  Require(!form.blob || read.has_value() == ChunksConsistent(hostile, form));
  return 0;
}
