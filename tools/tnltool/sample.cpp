#include "tools/tnltool/sample.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/table/table_name.h"
#include "tools/tnltool/tnl_tool.h"

namespace vantrel {

namespace {

// The record's fields by number (1 is the record group itself).
//   2 ID     CSTRING 24   unique key
//   3 NAME   STRING 40    NOCASE DUP key
//   4 CITY   STRING 20    OPT DUP key (blank in a third of the records)
//   5 AMOUNT LONG
//   6 BORN   DATE         DUP key BORN, -AT
//   7 AT     TIME
//   8 PRICE  DECIMAL(9,2)
//   9 RATIO  REAL
//  10 FLAG   BYTE
constexpr std::size_t kIdAt = 0, kIdSize = 24;
constexpr std::size_t kNameAt = 24, kNameSize = 40;
constexpr std::size_t kCityAt = 64, kCitySize = 20;
constexpr std::size_t kAmountAt = 84, kBornAt = 88, kAtAt = 92;
constexpr std::size_t kPriceAt = 96, kPriceBytes = 5, kPricePlaces = 2;
constexpr std::size_t kRatioAt = 101, kFlagAt = 109, kRecordLength = 110;
constexpr std::uint32_t kNotesSize = 1000;

const char* const kFirstNames[] = {"Anna", "bernd", "Clara", "dieter",
                                   "Emma", "Fritz", "greta", "Hans",
                                   "Ida",  "jonas", "Karla", "Lukas"};
const char* const kCities[] = {"Berlin", "Hamburg", "Munich",  "Cologne",
                               "Bremen", "Dresden", "Leipzig", "Essen"};

// Holds an exclusive flock on `path` (made, empty, when missing: an empty
// file is a new file to every opener) for its lifetime. When the lock
// cannot be had the runs are not kept apart; the open goes on as before.
class CreationLock {
 public:
  explicit CreationLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~CreationLock() {
    if (fd_ >= 0) ::close(fd_);  // gives the lock back
  }
  CreationLock(const CreationLock&) = delete;
  CreationLock& operator=(const CreationLock&) = delete;

 private:
  int fd_;
};

class SampleTable {
 public:
  explicit SampleTable(const SampleOptions& options)
      : record_(kRecordLength), notes_(kNotesSize) {
    file_.label = "SMP";
    file_.driver_name = "TARNEL";
    file_.name = options.file;
    if (!options.table.empty()) file_.name += "\\!" + options.table;
    if (!options.password.empty()) {
      file_.owner = options.password;
      file_.attributes |= kFileEncrypt;
    }
    file_.descriptor =
        DescriptorBuilder()
            .Group("SMP:RECORD")
            .CString("SMP:ID", kIdSize)
            .String("SMP:NAME", kNameSize)
            .String("SMP:CITY", kCitySize)
            .Long("SMP:AMOUNT")
            .Date("SMP:BORN")
            .Time("SMP:AT")
            .Decimal("SMP:PRICE", 2 * kPriceBytes - 1, kPricePlaces)
            .Real("SMP:RATIO")
            .Byte("SMP:FLAG")
            .End()
            .Descriptor();
    file_.record = record_;
    AddKey("SMP:IDKEY", 0, {2});
    AddKey("SMP:NAMEKEY", kKeyNoCase | kKeyDup, {3});
    AddKey("SMP:CITYKEY", kKeyOpt | kKeyDup, {4});
    AddKey("SMP:WHENKEY", kKeyDup, {6, -7});
    MemoDeclaration notes;
    notes.label = "SMP:NOTES";
    notes.size = kNotesSize;
    notes.buffer = notes_;
    file_.memos.push_back(notes);
  }
  ~SampleTable() { Close(file_); }

  // Opens the table, creating it when the file does not hold it yet.
  int Open(std::ostream& err) {
    vantrel::Open(file_, kOpenReadWriteShared);
    if (ErrorCode() == kErrFileNotFound) {
      // CREATE drops a table of the same name, so two runs that both found
      // no table would each create it, and the later one would drop the
      // table, records and all, that the earlier one had begun to fill. The
      // second look and the creation are one step among runs: under an
      // exclusive flock on the data file, which the driver's byte-range
      // locks (open file description locks) do not see.
      const CreationLock lock(SplitTableName(file_.name).path);
      vantrel::Open(file_, kOpenReadWriteShared);
      if (ErrorCode() == kErrFileNotFound) {
        Create(file_);
        if (!Report("create", err)) return ErrorCode();
        vantrel::Open(file_, kOpenReadWriteShared);
      }
    }
    return Report("open", err) ? 0 : ErrorCode();
  }

  void Fill(std::mt19937& random, std::uint32_t seed, std::uint64_t index) {
    std::memset(record_.data(), 0, record_.size());
    // Seed, process and index keep the ids of runs apart.
    char id[48];
    std::snprintf(id, sizeof id, "%08x-%06x-%llu", seed,
                  static_cast<unsigned>(getpid()) & 0xFFFFFF,
                  static_cast<unsigned long long>(index));
    std::memcpy(record_.data() + kIdAt, id,
                std::min(std::strlen(id), kIdSize - 1));
    char name[kNameSize + 1];
    std::snprintf(name, sizeof name, "%s %c. Sample",
                  kFirstNames[random() % std::size(kFirstNames)],
                  static_cast<char>('A' + random() % 26));
    PutText(kNameAt, kNameSize, name);
    PutText(kCityAt, kCitySize,
            random() % 3 == 0 ? "" : kCities[random() % std::size(kCities)]);
    Store<std::int32_t>(kAmountAt,
                        static_cast<std::int32_t>(random() % 200001) - 100000);
    const DateParts born{static_cast<int>(1 + random() % 28),
                         static_cast<int>(1 + random() % 12),
                         static_cast<int>(1930 + random() % 90)};
    Store<std::uint32_t>(kBornAt, PackDateField(born));
    const TimeParts at{static_cast<int>(random() % 24),
                       static_cast<int>(random() % 60),
                       static_cast<int>(random() % 60), 0};
    Store<std::uint32_t>(kAtAt, PackTimeField(at));
    const std::string price = std::to_string(random() % 10000000) + "." +
                              std::to_string(10 + random() % 90);
    DecimalFromText(price,
                    DecimalField{FieldType::DECIMAL, kPriceBytes, kPricePlaces},
                    reinterpret_cast<std::uint8_t*>(record_.data()) + kPriceAt);
    Store<double>(kRatioAt, static_cast<double>(random() % 100000) / 977.0);
    record_[kFlagAt] = static_cast<char>(random() % 4);
    // Notes of 0 to 700 characters: empty, one chunk, or several.
    std::memset(notes_.data(), ' ', notes_.size());
    const std::size_t length = random() % 701;
    for (std::size_t i = 0; i < length; ++i) {
      notes_[i] = static_cast<char>('a' + (index + i) % 26);
    }
  }

  FileDeclaration& file() { return file_; }

  // True when the last statement succeeded; else writes why and false.
  bool Report(const char* what, std::ostream& err) {
    if (ErrorCode() == 0) return true;
    err << "tnltool: sample: " << what << " " << file_.name << ": "
        << ErrorCode() << " " << Error() << "\n";
    return false;
  }

 private:
  void AddKey(const char* label, std::uint16_t flags,
              std::vector<std::int16_t> components) {
    KeyDeclaration key;
    key.label = label;
    key.flags = flags;
    key.components = std::move(components);
    file_.AddKey(std::move(key));
  }
  void PutText(std::size_t at, std::size_t size, std::string_view text) {
    std::memset(record_.data() + at, ' ', size);
    std::memcpy(record_.data() + at, text.data(), std::min(size, text.size()));
  }
  template <typename T>
  void Store(std::size_t at, T value) {
    std::memcpy(record_.data() + at, &value, sizeof value);
  }
  std::vector<char> record_;
  std::vector<char> notes_;
  FileDeclaration file_;
};

// The tool's exit status for the driver error that stopped the sample: a
// file the driver finds damaged, or one it cannot open or write.
int FailureStatus() {
  switch (ErrorCode()) {
    case kErrInvalidDataFile:
    case kErrInvalidRecordDeclaration:
    case kErrFileSystem:
      return kToolProblems;
    default:
      return kToolNoAccess;
  }
}

}  // namespace

int RunSample(const SampleOptions& options, std::ostream& out,
              std::ostream& err) {
  RegisterTarnelDriver();
  SampleTable table(options);
  if (table.Open(err) != 0) return FailureStatus();
  FileDeclaration& file = table.file();
  std::mt19937 random(options.seed);
  const std::uint64_t batch = options.batch;
  // Ids go on from the table's count, so a later run of the same process
  // and seed adds new ones.
  const std::uint64_t first = static_cast<std::uint64_t>(Records(file));
  for (std::uint64_t i = 0; i < options.records; ++i) {
    if (batch != 0 && i % batch == 0) {
      Logout(file);
      if (!table.Report("logout", err)) return FailureStatus();
    }
    table.Fill(random, options.seed, first + i);
    Add(file);
    if (!table.Report("add", err)) {
      const int status = FailureStatus();
      if (batch != 0) Rollback(file);
      return status;
    }
    if (batch != 0 && (i + 1 == options.records || (i + 1) % batch == 0)) {
      Commit(file);
      if (!table.Report("commit", err)) return FailureStatus();
    }
  }
  out << "added " << options.records << " records; table holds "
      << Records(file) << "\n";
  return 0;
}

}  // namespace vantrel
