// The sequential position of an open table and the steps along it.
//
// A position is nothing, a data record's key part (T F3 R) or a key entry's
// key part (T k value [R]). The order tells what a step returns and what the
// position becomes afterwards: in record order the data record's key, in key
// order the key entry. A SET or RESET only sets the position; the first step
// after it may return the record or entry at the position itself, later steps
// look strictly after (forward) or before (backward) the position, among the
// records of the same table and kind only.
//
// Position bytes (what POSITION returns and RESET takes back):
//   record number   4 bytes, big-endian
//   key value       for a key only: the key's encoded value, built from the
//                   record buffer
//
// Everything runs inside an operation with the header loaded; the tree is
// passed to each call because it lives no longer than one operation.
#ifndef VANTREL_STORAGE_TNL_TABLE_TABLE_CURSOR_H_
#define VANTREL_STORAGE_TNL_TABLE_TABLE_CURSOR_H_

#include <cstdint>
#include <optional>
#include <span>

#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/key_encoding.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/btree.h"

namespace vantrel {

inline constexpr std::size_t kPositionNumberBytes = 4;

enum class StepDirection { kForward, kBackward };

// Where a table's sequence stands and in which order it goes on.
struct SequencePosition {
  enum class Kind { kNone, kDataRecord, kKeyEntry };
  Kind kind = Kind::kNone;
  // The key part positioned on (empty for kNone).
  ByteString key;
  // Set by SET and RESET: the first step may return the record or entry at
  // the position itself.
  bool inclusive = false;
  // A DUP key's entry built from the record buffer without its record
  // number: a forward step appends 00000000, a backward one FFFFFFFF.
  bool open_number = false;
  // Key order over `key_number`, else record order.
  bool by_key = false;
  std::uint8_t key_number = 0;
  bool operator==(const SequencePosition&) const = default;
};

// What a step found: the data record's number and its stored image, seen
// where it lies in its page (good until the tree changes or the operation
// ends).
struct StepResult {
  std::uint32_t record_number = 0;
  std::span<const std::uint8_t> image;
};

// The sequence of one open table. `description` must outlive the cursor;
// `rules` carry the file's character tables and OEM flag.
class TableCursor {
 public:
  TableCursor(std::uint32_t table, const TableDescription& description,
              const KeyStringRules& rules)
      : table_(table), description_(&description), rules_(rules) {}
  // The cursor keeps a pointer to the description, so no temporary.
  TableCursor(std::uint32_t table, const TableDescription&& description,
              const KeyStringRules& rules) = delete;

  // Record order from the first or last data record.
  void SetFile();
  // Record order from data record `record_number`; when it does not exist,
  // from the one after or before it, else the table's last data record.
  void SetFilePointer(std::uint32_t record_number);
  // As SetFilePointer, from the record number at the start of `position`;
  // false when the bytes are too short to hold one.
  bool ResetFile(std::span<const std::uint8_t> position);
  // Record order, starting at the entry of `key` built from `buffer`.
  void SetFileKey(std::uint8_t key, std::span<const std::uint8_t> buffer);
  // Key order from the first or last entry of `key`.
  void SetKey(std::uint8_t key);
  // Key order, starting at the entry of `key` built from `buffer`.
  void SetKeyKey(std::uint8_t key, std::span<const std::uint8_t> buffer);
  // Key order, starting at the entry of `key` built from `buffer` with
  // `record_number`.
  void SetKeyKeyPointer(std::uint8_t key, std::span<const std::uint8_t> buffer,
                        std::uint32_t record_number);
  // As SetKeyKeyPointer, from position bytes; false when their length is not
  // that of a record number and the key's value.
  bool ResetKey(std::uint8_t key, std::span<const std::uint8_t> position);
  // Key order from the entry of data record `record_number`; when that
  // record does not exist, from the key's last entry.
  void SetKeyPointer(std::uint8_t key, std::uint32_t record_number);

  // Finds the next candidate in `direction`, skipping key entries whose data
  // record has vanished, and moves the position onto it. None (position
  // unchanged) at the end of the sequence.
  std::optional<StepResult> Step(BTree& tree, StepDirection direction);
  // Whether a step in `direction` would find a candidate; nothing moves.
  bool CanStep(BTree& tree, StepDirection direction) const;
  // Moves by |count| steps, forward when count is positive, without
  // fetching. False when the sequence ended first; the position then stays
  // on the last candidate reached.
  bool Skip(BTree& tree, std::int32_t count);

  // The position, to put back when a step's fetch fails (a record held
  // elsewhere leaves the sequence where it was).
  const SequencePosition& position() const { return position_; }
  void Restore(const SequencePosition& position) { position_ = position; }
  // The same without a copy: the caller's position moves in and out.
  void Restore(SequencePosition&& position) { position_ = std::move(position); }
  SequencePosition TakePosition() { return std::move(position_); }
  // Where the last step ended, kept by the caller between operations so
  // that the next step can go on in that leaf.
  const LeafHint& hint() const { return hint_; }
  void RestoreHint(const LeafHint& hint) { hint_ = hint; }

 private:
  // What a step finds, and the position it moves to: of the same order,
  // never inclusive, on `key` where it lies in its page, or when that is
  // empty on built_key.
  struct Candidate {
    StepResult result;
    SequencePosition::Kind kind = SequencePosition::Kind::kNone;
    std::span<const std::uint8_t> key;
    ByteString built_key;
  };
  void MoveTo(const Candidate& candidate);
  // Finds the candidate; Step takes it, CanStep and Skip only look.
  std::optional<Candidate> FindCandidate(BTree& tree,
                                         StepDirection direction) const;
  ByteString EntryKey(std::uint8_t key, std::span<const std::uint8_t> buffer,
                      std::optional<std::uint32_t> record_number) const;
  void SetEntry(std::uint8_t key, bool by_key,
                std::span<const std::uint8_t> buffer,
                std::optional<std::uint32_t> record_number);

  std::uint32_t table_;
  const TableDescription* description_;
  KeyStringRules rules_;
  SequencePosition position_;
  // Where the last step ended, to go on from there (only a speed-up).
  mutable LeafHint hint_;
};

// The encoded value of `key` for a record image as stored (OEM strings when
// the rules say so), whether or not an OPT key omits its entry.
ByteString StoredKeyValue(const TableDescription& description, std::uint8_t key,
                          std::span<const std::uint8_t> buffer,
                          const KeyStringRules& rules);

// Position bytes: the record number, then for a key its value built from
// the record buffer.
ByteString PositionBytes(std::uint32_t record_number);
ByteString PositionBytes(std::uint32_t record_number,
                         const TableDescription& description, std::uint8_t key,
                         std::span<const std::uint8_t> buffer,
                         const KeyStringRules& rules);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TABLE_CURSOR_H_
