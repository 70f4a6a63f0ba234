// Compares the queue engine with the standard library doing the same work on
// the same records:
//   queue_keyed_add   keyed ADDs in random key order   vs std::multimap insert
//   queue_get_key     GETs by key in random order      vs std::multimap::find
//   queue_sort        sort of an unsorted queue        vs std::stable_sort
//   queue_entry_bytes heap bytes per 813-byte entry    vs a plain copy
// Flags: --entries=N (default 1000000) for the first three,
//        --card-entries=N (default 200000) for the last, --small for both
//        at a tenth.
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

// LONG, STRING(40), BYTE.
struct Record {
  std::int32_t id;
  char name[40];
  std::uint8_t flag;
} __attribute__((packed));
static_assert(sizeof(Record) == 45);

constexpr std::size_t kCardLength = 813;

// CPU time of this thread, so that other work on a shared machine does not
// count against either side.
struct CpuClock {
  static double now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
  }
};

double Seconds(double since) { return CpuClock::now() - since; }

std::vector<Record> MakeRecords(std::size_t count, std::mt19937& random) {
  std::vector<std::int32_t> ids(count);
  std::iota(ids.begin(), ids.end(), 0);
  std::shuffle(ids.begin(), ids.end(), random);
  std::vector<Record> records(count);
  for (std::size_t i = 0; i < count; ++i) {
    Record& record = records[i];
    record.id = ids[i];
    std::memset(record.name, ' ', sizeof(record.name));
    std::snprintf(record.name, sizeof(record.name), "name %d", ids[i]);
    record.name[std::strlen(record.name)] = ' ';
    record.flag = static_cast<std::uint8_t>(ids[i] % 7);
  }
  return records;
}

TypeDescriptor RecordDescriptor() {
  return DescriptorBuilder()
      .Long("R:ID")
      .String("R:NAME", 40)
      .Byte("R:FLAG")
      .Descriptor();
}

struct Ratios {
  double keyed_add;
  double get_key;
};

Ratios CompareAddAndGet(const std::vector<Record>& records,
                        std::mt19937& random) {
  TypeDescriptor descriptor = RecordDescriptor();
  Record buffer;
  Queue queue(reinterpret_cast<std::uint8_t*>(&buffer), &descriptor,
              sizeof(buffer));
  auto start = CpuClock::now();
  for (const Record& record : records) {
    buffer = record;
    Add(&queue, {1});
  }
  double ours_add = Seconds(start);

  std::multimap<std::int32_t, Record> reference;
  start = CpuClock::now();
  for (const Record& record : records) reference.emplace(record.id, record);
  double theirs_add = Seconds(start);

  std::vector<std::int32_t> probes(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) probes[i] = records[i].id;
  std::shuffle(probes.begin(), probes.end(), random);
  std::uint64_t check_ours = 0;
  start = CpuClock::now();
  for (std::int32_t id : probes) {
    buffer.id = id;
    Get(&queue, {1});
    check_ours += buffer.flag;
  }
  double ours_get = Seconds(start);
  std::uint64_t check_theirs = 0;
  start = CpuClock::now();
  for (std::int32_t id : probes) {
    auto found = reference.find(id);
    std::memcpy(&buffer, &found->second, sizeof(buffer));
    check_theirs += buffer.flag;
  }
  double theirs_get = Seconds(start);
  if (check_ours != check_theirs) std::printf("MISMATCH in GET results\n");
  std::printf("keyed add: %zu entries  queue %.3f s  multimap %.3f s\n",
              records.size(), ours_add, theirs_add);
  std::printf("get by key: queue %.3f s  multimap %.3f s\n", ours_get,
              theirs_get);
  return {ours_add / theirs_add, ours_get / theirs_get};
}

double CompareSort(const std::vector<Record>& records) {
  TypeDescriptor descriptor = RecordDescriptor();
  Record buffer;
  Queue queue(reinterpret_cast<std::uint8_t*>(&buffer), &descriptor,
              sizeof(buffer));
  for (const Record& record : records) {
    buffer = record;
    Add(&queue);
  }
  auto start = CpuClock::now();
  Sort(&queue, {1});
  double ours = Seconds(start);

  std::vector<Record> copy = records;
  start = CpuClock::now();
  std::stable_sort(
      copy.begin(), copy.end(),
      [](const Record& a, const Record& b) { return a.id < b.id; });
  double theirs = Seconds(start);
  Get(&queue, static_cast<std::int32_t>(records.size() / 2 + 1));
  if (buffer.id != copy[records.size() / 2].id) {
    std::printf("MISMATCH in sort results\n");
  }
  std::printf("sort: queue %.3f s  stable_sort %.3f s\n", ours, theirs);
  return ours / theirs;
}

// A card-like record: stamps, keys, names, phones, category and contents,
// each holding a little text and otherwise blank.
TypeDescriptor CardDescriptor() {
  return DescriptorBuilder()
      .Byte("C:DELETED")
      .Group("C:CREATED")
      .Long("C:CREATEDDATE")
      .Long("C:CREATEDTIME")
      .End()
      .Group("C:CHANGED")
      .Long("C:CHANGEDDATE")
      .Long("C:CHANGEDTIME")
      .End()
      .String("C:NAMEKEY", 50)
      .String("C:COMPANYKEY", 50)
      .String("C:LASTNAME", 30)
      .String("C:FIRSTNAME", 20)
      .String("C:COMPANY", 30)
      .Byte("C:LISTBYCOMPANY")
      .String("C:PHONES", 200)
      .String("C:CATEGORY", 15)
      .String("C:CONTENTS", 400)
      .Descriptor();
}

void FillCard(std::uint8_t* card, int n) {
  std::memset(card, ' ', kCardLength);
  card[0] = 0;
  std::int32_t stamps[4] = {80000 + n % 365, 100 + n * 7, 80000 + n % 365,
                            100 + n * 11};
  std::memcpy(card + 1, stamps, sizeof(stamps));
  auto text = [&](std::size_t at, const std::string& value) {
    std::memcpy(card + at, value.data(), value.size());
  };
  // Most cards have names and a phone; some a company, a category or a
  // line of text.
  std::string last = "Smith" + std::to_string(n % 1000);
  std::string first = "Ann";
  text(17, last + ", " + first);
  text(117, last);
  text(147, first);
  if (n % 3 == 0) {
    std::string company = "Acme " + std::to_string(n % 50);
    text(67, company + " (" + first + " " + last + ")");
    text(167, company);
  }
  card[197] = 0;
  text(198, "555 " + std::to_string(1000000 + n));
  if (n % 2 == 0) text(398, "Friends");
  if (n % 4 == 0) text(413, "Birthday in May.");
}

// Heap bytes in use, small blocks and mapped ones alike.
std::size_t HeapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

double CompareEntryBytes(std::size_t count) {
  TypeDescriptor descriptor = CardDescriptor();
  std::vector<std::uint8_t> buffer(kCardLength);
  std::size_t before = HeapInUse();
  double ours;
  {
    Queue queue(buffer.data(), &descriptor, kCardLength);
    for (std::size_t i = 0; i < count; ++i) {
      FillCard(buffer.data(), static_cast<int>(i));
      Add(&queue);
    }
    ours = static_cast<double>(HeapInUse() - before) / count;
  }
  before = HeapInUse();
  double theirs;
  {
    std::vector<std::uint8_t> copies;
    copies.reserve(count * kCardLength);
    for (std::size_t i = 0; i < count; ++i) {
      FillCard(buffer.data(), static_cast<int>(i));
      copies.insert(copies.end(), buffer.begin(), buffer.end());
    }
    theirs = static_cast<double>(HeapInUse() - before) / count;
  }
  std::printf(
      "entry bytes: %zu cards  queue %.1f B/entry  plain %.1f B/entry\n", count,
      ours, theirs);
  return ours / theirs;
}

std::size_t Flag(std::string_view arg, std::string_view name,
                 std::size_t fallback) {
  if (arg.substr(0, name.size()) != name) return fallback;
  return std::stoul(std::string(arg.substr(name.size())));
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  std::size_t entries = 1000000;
  std::size_t cards = 200000;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--small") {
      entries /= 10;
      cards /= 10;
    }
    entries = vantrel::Flag(arg, "--entries=", entries);
    cards = vantrel::Flag(arg, "--card-entries=", cards);
  }
  std::mt19937 random(42);
  std::vector<vantrel::Record> records = vantrel::MakeRecords(entries, random);
  vantrel::Ratios ratios = vantrel::CompareAddAndGet(records, random);
  double sort = vantrel::CompareSort(records);
  double bytes = vantrel::CompareEntryBytes(cards);
  std::printf("ratio queue_keyed_add %.3f\n", ratios.keyed_add);
  std::printf("ratio queue_get_key %.3f\n", ratios.get_key);
  std::printf("ratio queue_sort %.3f\n", sort);
  std::printf("ratio queue_entry_bytes %.3f\n", bytes);
  return 0;
}
