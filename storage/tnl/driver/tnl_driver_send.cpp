// SEND: the driver's text commands. The text is examined in this order:
//   "REGISTER" (either case)      the registration record's address
//   containing "TCF"              the transaction control file name
//   beginning "FULLBUILD" (any)   full rebuilds on or off
//   beginning "FLAGS" (any)       the table's FLAGS word
//   containing "PNM="             the next table name of the file
// Anything else has an empty reply.
#include <charconv>
#include <mutex>

#include "runtime/data/base/error_state.h"
#include "runtime/data/text/ascii_case.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

constexpr std::string_view kRegister = "REGISTER";
constexpr std::string_view kTcf = "TCF";
constexpr std::string_view kFullBuild = "FULLBUILD";
constexpr std::string_view kFlags = "FLAGS";
constexpr std::string_view kNextTable = "PNM=";
constexpr std::string_view kOn = "ON";
constexpr std::string_view kOff = "OFF";
constexpr std::string_view kDefaultControlFile = "tarnel.tcf";

struct ControlFileSetting {
  std::mutex mutex;
  std::string name;
};

ControlFileSetting& TheControlFileSetting() {
  static ControlFileSetting setting;
  return setting;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The text after `word` when an "=" follows it, else none.
std::optional<std::string_view> Assigned(std::string_view text,
                                         std::size_t word_end) {
  if (word_end >= text.size() || text[word_end] != '=') return std::nullopt;
  return text.substr(word_end + 1);
}

std::string ControlFileInUse(const TnlInstance& instance) {
  std::string set = ControlFileNameSetting();
  if (!set.empty()) return set;
  if (!instance.table) return std::string(kDefaultControlFile);
  const std::string& path = instance.table->name.path;
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string(kDefaultControlFile);
  return path.substr(0, slash + 1) + std::string(kDefaultControlFile);
}

DriverResult SendTcf(TnlInstance& instance, std::string_view text,
                     DriverArgs& args) {
  const std::size_t at = text.find(kTcf);
  if (const auto name = Assigned(text, at + kTcf.size())) {
    SetControlFileNameSetting(*name);
  }
  args.result_text = ControlFileInUse(instance);
  return {};
}

DriverResult SendFullBuild(TnlInstance& instance, std::string_view text,
                           DriverArgs& args) {
  if (const auto value = Assigned(text, kFullBuild.size())) {
    instance.full_build = EqualIgnoringAsciiCase(*value, kOn);
  }
  args.result_text = std::string(instance.full_build ? kOn : kOff);
  return {};
}

DriverResult SendFlags(TnlInstance& instance, std::string_view text,
                       DriverArgs& args) {
  if (!instance.table) return {kErrFileNotOpen};
  OpenTable& table = *instance.table;
  std::uint32_t flags = 0;
  const auto value = Assigned(text, kFlags.size());
  if (value) {
    const auto [end, error] =
        std::from_chars(value->data(), value->data() + value->size(), flags);
    if (error != std::errc() || end != value->data() + value->size()) {
      return {kErrInvalidParameterCount};
    }
  }
  const int code = RunOnTable(
      table, value ? Access::kChange : Access::kRead, [&](BTree& tree) {
        if (value) {
          SetTableFlags(tree, table.number, flags);
        } else if (const auto counters =
                       ReadCountersOf(tree, table.number, kKindData)) {
          flags = counters->flags;
        }
        return 0;
      });
  if (code == 0) args.result_text = std::to_string(flags);
  return {code};
}

DriverResult SendNextTable(TnlInstance& instance, std::string_view text,
                           DriverArgs& args) {
  if (!instance.table) return {kErrFileNotOpen};
  const std::string after(
      text.substr(text.find(kNextTable) + kNextTable.size()));
  std::string next;
  const int code = RunOnTable(*instance.table, Access::kRead, [&](BTree& tree) {
    for (const TableEntry& entry : ListTables(tree)) {
      if (entry.name > after) {
        next = entry.name;
        break;
      }
    }
    return 0;
  });
  if (code == 0) args.result_text = std::move(next);
  return {code};
}

}  // namespace

std::string ControlFileNameSetting() {
  ControlFileSetting& setting = TheControlFileSetting();
  std::lock_guard<std::mutex> lock(setting.mutex);
  return setting.name;
}

void SetControlFileNameSetting(std::string_view name) {
  ControlFileSetting& setting = TheControlFileSetting();
  std::lock_guard<std::mutex> lock(setting.mutex);
  setting.name = name;
}

DriverResult SendOp(TnlInstance& instance, DriverArgs& args) {
  const std::string_view text = args.text;
  if (EqualIgnoringAsciiCase(text, kRegister)) {
    args.result_text =
        std::to_string(reinterpret_cast<std::uintptr_t>(&TarnelDriverEntry()));
    return {};
  }
  if (text.find(kTcf) != std::string_view::npos) {
    return SendTcf(instance, text, args);
  }
  if (StartsNoCase(text, kFullBuild)) {
    return SendFullBuild(instance, text, args);
  }
  if (StartsNoCase(text, kFlags)) return SendFlags(instance, text, args);
  if (text.find(kNextTable) != std::string_view::npos) {
    return SendNextTable(instance, text, args);
  }
  args.result_text = std::string();
  return {};
}

// SET_PROPERTY and GET_PROPERTY are SEND's settings by name: "FLAGS",
// "FULLBUILD" and "TCF" can be set; reading takes those and "REGISTER" and
// "PNM=name", and never sets anything.
DriverResult SetPropertyOp(TnlInstance& instance, DriverArgs& args) {
  const std::string_view name = args.text;
  // Only the settings can be set; a name the driver does not know must not
  // pass for a setting made.
  if (!EqualIgnoringAsciiCase(name, kFullBuild) &&
      !EqualIgnoringAsciiCase(name, kFlags) && name != kTcf) {
    return {kErrUnsupportedFunction};
  }
  const std::string command = std::string(name) + "=" + std::string(args.value);
  DriverArgs send;
  send.text = command;
  return {SendOp(instance, send).code};
}

DriverResult GetPropertyOp(TnlInstance& instance, DriverArgs& args) {
  // Reading changes nothing: a value after "=" is dropped, except in the
  // table listing, whose "=" belongs to its name.
  std::string_view name = args.text;
  if (name.find(kNextTable) == std::string_view::npos) {
    name = name.substr(0, name.find('='));
  }
  DriverArgs send;
  send.text = name;
  const DriverResult result = SendOp(instance, send);
  args.result_text = std::move(send.result_text);
  return result;
}

}  // namespace vantrel
