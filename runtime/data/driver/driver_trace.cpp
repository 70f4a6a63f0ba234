#include "runtime/data/driver/driver_trace.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>

#include "os/posix/profile_store.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/text/ascii_case.h"
#include "runtime/data/types/field_dump.h"

namespace vantrel {
namespace {

constexpr std::string_view kProfileEntry = "Profile";
constexpr std::string_view kTraceFileEntry = "TraceFile";
constexpr std::string_view kDetailsEntry = "Details";
constexpr std::string_view kAllowDetailsOption = "ALLOWDETAILS";
constexpr std::size_t kCallNameWidth = 18;
constexpr std::size_t kIndentStep = 2;
constexpr std::int64_t kMillisPerSecond = 1000;
constexpr std::int64_t kMillisPerHundredth = 10;

std::atomic<TraceClock> trace_clock{nullptr};
thread_local int trace_thread_index = 0;

bool IsTrue(const std::string& value) { return std::atol(value.c_str()) != 0; }

bool ContainsNoCase(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char a, char b) {
                       return AsciiUpper(a) == AsciiUpper(b);
                     }) != text.end();
}

bool CarriesRecord(DriverOp op) {
  switch (op) {
    case DriverOp::kADD:
    case DriverOp::kADDfilelen:
    case DriverOp::kAPPEND:
    case DriverOp::kAPPENDlen:
    case DriverOp::kDELETE:
    case DriverOp::kGETfilekey:
    case DriverOp::kGETfileptr:
    case DriverOp::kGETfileptrlen:
    case DriverOp::kGETkeyptr:
    case DriverOp::kNEXT:
    case DriverOp::kPREVIOUS:
    case DriverOp::kPUT:
    case DriverOp::kPUTfileptr:
    case DriverOp::kPUTfileptrlen:
    case DriverOp::kREGETfile:
    case DriverOp::kREGETkey:
      return true;
    default:
      return false;
  }
}

// A line of a dump: the label padded to `column`, then the text indented by
// its nesting; no trailing blanks.
std::string Labelled(std::string_view label, std::size_t column,
                     std::size_t depth, std::string_view text) {
  if (text.empty()) return std::string(label);
  std::string line(label);
  line.resize(std::max(column, label.size() + 1), ' ');
  line.append(depth * kIndentStep, ' ');
  line.append(text);
  return line;
}

std::size_t LabelColumn(const std::vector<DumpLine>& lines,
                        std::size_t widest) {
  for (const DumpLine& line : lines)
    widest = std::max(widest, line.label.size());
  return widest + 1;
}

std::string Named(std::string_view name) {
  return name.empty() ? std::string() : ",NAME('" + std::string(name) + "')";
}

std::string KeyText(const FileDeclaration& file, const KeyDeclaration& key) {
  std::string text = (key.flags & kKeyIsIndex) ? "INDEX(" : "KEY(";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    const int number = key.components[i];
    if (i > 0) text += ',';
    text += number < 0 ? '-' : '+';
    if (auto field = file.descriptor.Field(std::abs(number))) {
      text += field->label;
    }
  }
  text += ')';
  if (key.flags & kKeyDup) text += ",DUP";
  if (key.flags & kKeyOpt) text += ",OPT";
  if (key.flags & kKeyNoCase) text += ",NOCASE";
  if (key.flags & kKeyPrimary) text += ",PRIMARY";
  return text + Named(key.external_name);
}

std::string MemoText(const MemoDeclaration& memo) {
  std::string text = (memo.flags & kMemoBlob)
                         ? std::string("BLOB")
                         : "MEMO(" + std::to_string(memo.size) + ")";
  text += Named(memo.external_name);
  if (memo.flags & kMemoBinary) text += ",BINARY";
  return text;
}

std::string FileText(const FileDeclaration& file) {
  std::string_view driver = file.driver ? file.driver->name.view()
                                        : std::string_view(file.driver_name);
  std::string text = "FILE,DRIVER('" + std::string(driver) + "'";
  if (!file.driver_string.empty()) text += ",'" + file.driver_string + "'";
  text += ')';
  if (!file.owner.empty()) text += ",OWNER(******)";
  text += Named(file.name);
  if (file.attributes & kFileCreate) text += ",CREATE";
  if (file.attributes & kFileEncrypt) text += ",ENCRYPT";
  if (file.attributes & kFileReclaim) text += ",RECLAIM";
  if (file.attributes & kFileThread) text += ",THREAD";
  return text;
}

// The record's lines, one level inside the FILE. A record declared as one
// group of everything is that RECORD itself; other records are wrapped in
// one.
std::vector<DumpLine> RecordLines(const TypeDescriptor& descriptor) {
  std::vector<DumpLine> lines =
      DumpDeclarations(descriptor).value_or(std::vector<DumpLine>{});
  const auto top_level =
      std::count_if(lines.begin(), lines.end(),
                    [](const DumpLine& line) { return line.depth == 0; });
  constexpr std::string_view kGroup = "GROUP";
  const bool single_group = top_level == 2 && lines.front().depth == 0 &&
                            lines.front().text.starts_with(kGroup);
  if (single_group) {
    lines.front().text.replace(0, kGroup.size(), "RECORD");
  } else {
    lines.insert(lines.begin(), DumpLine{0, {}, "RECORD"});
    for (auto it = lines.begin() + 1; it != lines.end(); ++it) ++it->depth;
    lines.push_back(DumpLine{0, {}, "END"});
  }
  for (DumpLine& line : lines) ++line.depth;
  return lines;
}

}  // namespace

TraceSettings ReadTraceSettings(const TraceSettingsSource& source,
                                const FileDeclaration& file) {
  TraceSettings settings;
  settings.enabled = IsTrue(GetIni(source.section, kProfileEntry, "0"));
  if (!settings.enabled) return settings;
  // An empty value means the default log, as a missing one does.
  std::string log_file =
      GetIni(source.section, kTraceFileEntry, source.default_file);
  if (log_file.empty()) log_file = source.default_file;
  settings.log_file = log_file.substr(0, kMaxIniFileNameLength);
  settings.details = IsTrue(GetIni(source.section, kDetailsEntry, "0"));
  if ((file.attributes & kFileEncrypt) &&
      !ContainsNoCase(file.driver_string, kAllowDetailsOption)) {
    settings.details = false;
  }
  return settings;
}

std::vector<std::string> TraceDeclarationLines(const FileDeclaration& file) {
  std::vector<DumpLine> lines;
  lines.push_back(DumpLine{0, file.label, FileText(file)});
  for (const KeyDeclaration& key : file.keys) {
    lines.push_back(DumpLine{1, key.label, KeyText(file, key)});
  }
  for (const MemoDeclaration& memo : file.memos) {
    lines.push_back(DumpLine{1, memo.label, MemoText(memo)});
  }
  std::vector<DumpLine> record = RecordLines(file.descriptor);
  lines.insert(lines.end(), record.begin(), record.end());
  lines.push_back(DumpLine{0, {}, "END"});

  const std::size_t column = LabelColumn(lines, 0);
  std::vector<std::string> text;
  for (const DumpLine& line : lines) {
    text.push_back(Labelled(line.label, column, line.depth, line.text));
  }
  text.emplace_back();
  return text;
}

std::string TraceCallLine(const FileDeclaration& file, DriverOp op,
                          const KeyDeclaration* key, int code,
                          std::int64_t elapsed_ms) {
  const TraceSettingsSource* source =
      file.driver != nullptr ? &file.driver->trace : nullptr;
  std::string call =
      source && source->call_prefix ? source->call_prefix(file) : "";
  const std::size_t width =
      source && source->call_width ? source->call_width : kCallNameWidth;
  call += DriverOpName(static_cast<int>(op));
  call += '(' + file.DisplayName();
  if (key != nullptr) {
    call += ',' + key->label + '[' + std::to_string(file.KeyNumber(*key)) + ']';
  }
  call += ' ' + std::to_string(trace_thread_index + 1) + ") ";
  if (call.size() < width) call.resize(width, ' ');

  if (code == kErrFileSystem) {
    call += "File Error: " + std::string(FileError()) + ' ';
  } else if (code != 0 && code != -1) {
    call += "Error: " + ErrorMessageFor(code) + ' ';
  }
  const std::int64_t ms = std::max<std::int64_t>(elapsed_ms, 0);
  char time[64];
  std::snprintf(time, sizeof time, "Time Taken: %ld.%02ld secs",
                static_cast<long>(ms / kMillisPerSecond),
                static_cast<long>(ms % kMillisPerSecond / kMillisPerHundredth));
  return call + time;
}

std::vector<std::string> TraceDetailLines(const FileDeclaration& file,
                                          DriverOp op,
                                          const KeyDeclaration* key) {
  const std::span<const std::uint8_t> record(
      reinterpret_cast<const std::uint8_t*>(file.record.data()),
      file.record.size());
  std::vector<DumpLine> lines;
  if (CarriesRecord(op)) {
    lines = DumpValues(file.descriptor, record).value_or(lines);
  } else if ((op == DriverOp::kSETkeykey || op == DriverOp::kSETkeykeyptr) &&
             key != nullptr) {
    for (const std::int16_t number : key->components) {
      auto field = file.descriptor.Field(std::abs(number));
      if (!field || field->offset + field->Extent() > record.size()) continue;
      lines.push_back(
          DumpLine{0, field->label,
                   FieldValueText(*field, record.data() + field->offset)});
    }
  }
  return TraceValueLines(lines);
}

std::vector<std::string> TraceValueLines(const std::vector<DumpLine>& lines) {
  const std::size_t column = LabelColumn(lines, 0);
  std::vector<std::string> text;
  for (const DumpLine& line : lines) {
    text.push_back(Labelled(line.label, column, line.depth, line.text));
  }
  return text;
}

bool TraceCarriesRecord(DriverOp op) { return CarriesRecord(op); }

DriverTrace::DriverTrace(TraceSettings settings)
    : settings_(std::move(settings)) {
  if (settings_.enabled && !settings_.log_file.empty()) {
    log_ = std::fopen(settings_.log_file.c_str(), "a");
  }
}

DriverTrace::~DriverTrace() {
  if (log_ != nullptr) std::fclose(log_);
}

std::unique_ptr<DriverTrace> DriverTrace::ForFile(const FileDeclaration& file) {
  if (file.driver == nullptr) return nullptr;
  TraceSettings settings = ReadTraceSettings(file.driver->trace, file);
  if (!settings.enabled) return nullptr;
  auto trace = std::make_unique<DriverTrace>(std::move(settings));
  if (!trace->active()) return nullptr;
  return trace;
}

void DriverTrace::WriteCall(FileDeclaration& file, DriverOp op,
                            const KeyDeclaration* key, int code,
                            std::int64_t elapsed_ms) {
  if (log_ == nullptr) return;
  std::string text;
  if (!file.control.trace_declared) {
    const auto declared = file.driver->trace.declaration_lines;
    for (const std::string& line :
         declared ? declared(file) : TraceDeclarationLines(file)) {
      text += line + '\n';
    }
    file.control.trace_declared = true;
  }
  text += TraceCallLine(file, op, key, code, elapsed_ms) + '\n';
  if (settings_.details) {
    const auto details = file.driver->trace.detail_lines;
    for (const std::string& line :
         details ? details(file, op) : TraceDetailLines(file, op, key)) {
      text += line + '\n';
    }
  }
  std::fwrite(text.data(), 1, text.size(), log_);
  std::fflush(log_);
}

void DriverTrace::WriteLine(std::string_view line) {
  if (log_ == nullptr) return;
  std::string text(line);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), log_);
  std::fflush(log_);
}

void SetTraceClock(TraceClock clock) { trace_clock.store(clock); }

std::int64_t TraceNow() {
  if (TraceClock clock = trace_clock.load()) return clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SetTraceThreadIndex(int index) { trace_thread_index = index; }

}  // namespace vantrel
