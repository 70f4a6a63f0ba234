// Numbered internal checks of the native format.
//
// A check guards a condition that only a damaged file (or another process
// writing nonsense) can break. Inside a driver operation (an OperationScope
// is active on this thread) a failed check abandons the operation: it unwinds
// to RunOperation, which posts error 90 with the check number as the driver's
// error code and the text "Possible data corruption in file". Outside any
// operation the program ends through the fatal-error report with the text
// "Possible data corruption in file (N)" (runtime/data/base/fatal_report.h).
//
// The unwinding uses an exception that never leaves this module:
// RunOperation is the only place that catches it.
#ifndef VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_
#define VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_

#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// The numbered checks, each failed at one place only, so that a report's
// number names the place. The numbers of the format's description keep the
// places it gives them; the others were chosen beside a related one.
// Checks of the program's own use (a change in reading mode, a read of a
// closed channel) stay numbered checks too: an assert is compiled out of the
// shipped build, and the check stops the operation before it writes.
//
//   compression.cpp: expanding a body
inline constexpr int kCheckLiteralCount = 522;  // literal count past the end
inline constexpr int kCheckLiteralBytes = 523;  // literal bytes past the input
inline constexpr int kCheckRepeatCount = 530;   // repeat count past the end
inline constexpr int kCheckRepeatOfNothing = 531;  // a repeat before any byte
//   btree.cpp: the record tree
inline constexpr int kCheckRecordTooLong = 824;
inline constexpr int kCheckRemoveInReadingMode = 1203;
inline constexpr int kCheckChangeInReadingMode = 1204;  // ChangeData
inline constexpr int kCheckSplitTooFew = 1364;
// A child whose level is not below its parent's: a damaged tree, which would
// otherwise be descended for ever. One number per walk that finds it.
inline constexpr int kCheckChildLevel = 1366;          // Descend
inline constexpr int kCheckEdgeChildLevel = 1367;      // EdgeLeafBelow
inline constexpr int kCheckNextChildLevel = 1368;      // NextFrom
inline constexpr int kCheckPreviousChildLevel = 1369;  // PreviousFrom
//   tnl_file.cpp: the open file
inline constexpr int kCheckRootWithoutHeader = 1013;
inline constexpr int kCheckIssueInReadingMode = 1163;
inline constexpr int kCheckIssueWithoutHeader = 1164;
inline constexpr int kCheckNumbersExhausted = 1173;
inline constexpr int kCheckNoZone = 1735;  // a page number in no zone
inline constexpr int kCheckMovedPageEmpty = 1891;
// The descent to a moved page's parent reached a leaf or an empty page.
inline constexpr int kCheckMovedPageParentMissing = 1894;
// ... or a child whose level is not below its parent's.
inline constexpr int kCheckMovedPageChildLevel = 1895;
inline constexpr int kCheckShortPageRead = 2172;
// Rolling forward: the head of a shadow image, then the whole image.
inline constexpr int kCheckShortRollForwardHead = 2173;
inline constexpr int kCheckShortRollForwardImage = 2174;
//   page_image.cpp: decoding and encoding page images
inline constexpr int kCheckPageImageLength = 1477;  // stored length vs slot
inline constexpr int kCheckPageImageShort = 1478;   // shorter than a header
// Child array, stored and expanded lengths that cannot all hold.
inline constexpr int kCheckPageBodyBounds = 1601;
// The decoded records do not use exactly the (expanded) body.
inline constexpr int kCheckPageDecodedLength = 1602;
// Framing that runs past the body or describes an impossible record
// (record_framing.cpp's DecodeRecords).
inline constexpr int kCheckRecordFraming = 1603;
inline constexpr int kCheckRecordOrder = 1604;  // records out of key order
// A page larger than any writer makes: an expanded length, or records whose
// used measure, above the measure at which a writer splits a page.
inline constexpr int kCheckExpandedOverLimit = 1605;
inline constexpr int kCheckUsedOverLimit = 1606;
inline constexpr int kCheckEncodedOverUsed = 1659;
inline constexpr int kCheckPageTooLarge = 1678;
//   zones.cpp: zone bookkeeping
inline constexpr int kCheckPageSpaceFull = 1736;  // past a u32 home word
inline constexpr int kCheckRoomAboveTooLarge = 1781;
//   io_channel.cpp: the I/O channel
inline constexpr int kCheckReadBlockLength = 2272;   // read not whole blocks
inline constexpr int kCheckReadFailed = 2277;        // the read call failed
inline constexpr int kCheckReadWithoutFile = 2278;   // no file is open
inline constexpr int kCheckWriteBlockLength = 2286;  // write not whole blocks
inline constexpr int kCheckReadPosition = 2341;      // position out of range
//   transaction.cpp
inline constexpr int kCheckTooManyControlFiles = 2183;

inline constexpr int kAllChecks[] = {
    kCheckLiteralCount,
    kCheckLiteralBytes,
    kCheckRepeatCount,
    kCheckRepeatOfNothing,
    kCheckRecordTooLong,
    kCheckRemoveInReadingMode,
    kCheckChangeInReadingMode,
    kCheckSplitTooFew,
    kCheckChildLevel,
    kCheckEdgeChildLevel,
    kCheckNextChildLevel,
    kCheckPreviousChildLevel,
    kCheckRootWithoutHeader,
    kCheckIssueInReadingMode,
    kCheckIssueWithoutHeader,
    kCheckNumbersExhausted,
    kCheckNoZone,
    kCheckMovedPageEmpty,
    kCheckMovedPageParentMissing,
    kCheckMovedPageChildLevel,
    kCheckShortPageRead,
    kCheckShortRollForwardHead,
    kCheckShortRollForwardImage,
    kCheckPageImageLength,
    kCheckPageImageShort,
    kCheckPageBodyBounds,
    kCheckPageDecodedLength,
    kCheckRecordFraming,
    kCheckRecordOrder,
    kCheckExpandedOverLimit,
    kCheckUsedOverLimit,
    kCheckEncodedOverUsed,
    kCheckPageTooLarge,
    kCheckPageSpaceFull,
    kCheckRoomAboveTooLarge,
    kCheckReadBlockLength,
    kCheckReadFailed,
    kCheckReadWithoutFile,
    kCheckWriteBlockLength,
    kCheckReadPosition,
    kCheckTooManyControlFiles,
};

constexpr bool AllDistinct(std::span<const int> numbers) {
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    for (std::size_t j = i + 1; j < numbers.size(); ++j) {
      if (numbers[i] == numbers[j]) return false;
    }
  }
  return true;
}
static_assert(AllDistinct(kAllChecks), "a check number is used twice");

// Thrown by FailCheck inside an operation; caught only by RunOperation.
struct InternalCheckFailure {
  int check;
};

// Marks the lifetime of one driver operation on this thread (may nest).
class OperationScope {
 public:
  OperationScope();
  ~OperationScope();
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;
  static bool Active();
};

// Fails check `number` (see above). Does not return.
[[noreturn]] void FailCheck(int number);

inline void Check(bool condition, int number) {
  if (!condition) FailCheck(number);
}

// The text of a corruption report: the program's translation of message 4101
// when one is installed, else "Possible data corruption in file".
std::string CorruptionText();
// Installs (non-empty) or removes (empty) the translation of message 4101.
void SetCorruptionTranslation(std::string_view text);

// Posts error 90 for a failed check of an operation on `file_name`.
void PostCheckFailure(int check, std::string_view file_name);

// Runs `body` as one operation on `file_name`. Returns 0, or the number of
// the failed check after posting it.
template <typename Body>
int RunOperation(std::string_view file_name, Body&& body) {
  OperationScope scope;
  try {
    body();
    return 0;
  } catch (const InternalCheckFailure& failure) {
    PostCheckFailure(failure.check, file_name);
    return failure.check;
  }
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_
