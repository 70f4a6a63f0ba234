// The INI manager: per-user settings kept in a profile file through the
// profile store, above all the placement of every window (saved when the
// window closes, restored when it opens again) and small lists of records.
// It caches nothing: every value is read from and written to the file at
// the time of the call.
//
// A window's placement, in the section named after its procedure:
//   Maximize=Yes|No   XPos=  YPos=  Width=  Height=   (dialog units)
// Lists of records: see ini_list.h. The manager's own list of named items,
// SECTORS, stands in section "Sectors" under the key "__Dont_Touch_Me__".
#ifndef VANTREL_FRAMEWORK_INI_MANAGER_H_
#define VANTREL_FRAMEWORK_INI_MANAGER_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/data/queue/queue.h"
#include "runtime/data/types/type_descriptor.h"
#include "runtime/window/variable.h"
#include "runtime/window/window_model.h"

namespace vantrel {

inline constexpr std::size_t kIniFileNameLength = 260;
// What TryFetch returns for an entry that is missing.
inline constexpr std::string_view kIniUnknown = "---Unknown---";
// TryFetch reads into a buffer of this many bytes, its terminating zero
// included.
inline constexpr std::size_t kIniFetchBufferSize = 1000;
inline constexpr std::size_t kSectorFieldLength = 100;
inline constexpr std::string_view kSectorsSection = "Sectors";
inline constexpr std::string_view kSectorsKey = "__Dont_Touch_Me__";

// One record of SECTORS.
struct SectorRecord {
  char FAMILY[kSectorFieldLength];
  char ITEM[kSectorFieldLength];
  char TYPE[kSectorFieldLength];
};

// The SECTORS queue with its record buffer.
struct SectorList {
  SectorList();
  SectorRecord record;
  TypeDescriptor descriptor;
  Queue queue;
};

class IniManager {
 public:
  IniManager() = default;
  virtual ~IniManager();
  IniManager(const IniManager&) = delete;
  IniManager& operator=(const IniManager&) = delete;

  // Hooks: Open runs in Init after SECTORS is created and before it is
  // loaded; Close is for derived managers.
  virtual void Open() {}
  virtual void Close() {}

  // Binds the manager to the profile file (the name cut to 260 bytes) and
  // loads SECTORS from it.
  void Init(std::string_view file_name);
  // Writes SECTORS back and disposes of it.
  void Kill();

  // The entry's value; empty when it is missing.
  std::string Fetch(std::string_view section, std::string_view entry) const;
  // The entry's value, cut to the fetch buffer; kIniUnknown when missing.
  std::string TryFetch(std::string_view section, std::string_view entry) const;
  // Writes the value. A value the file cannot hold is not written, and
  // write failures are not reported.
  void Update(std::string_view section, std::string_view entry,
              std::string_view value);
  // Part n (from 1) of the entry's comma-separated value (TryFetch).
  std::string FetchField(std::string_view section, std::string_view entry,
                         int n) const;

  // Adds one queue record per stored record, each after assigning the
  // record's parts 1 to 3 to the given fields (fields 2 and 3 may be left
  // unbound). A part that is no value of its field's type stores zero bytes
  // there.
  void FetchQueue(std::string_view section, std::string_view key, Queue* queue,
                  const Variable& field1, const Variable& field2 = {},
                  const Variable& field3 = {}) const;
  // Writes the queue's record count under the key and each record as its
  // given fields joined by ",".
  void UpdateQueue(std::string_view section, std::string_view key, Queue* queue,
                   const Variable& field1, const Variable& field2 = {},
                   const Variable& field3 = {});

  // Restores the window's placement saved under the procedure's name; a
  // window never saved keeps its designed placement.
  void FetchWindow(std::string_view procedure, Window& window) const;
  // Saves the window's placement under the procedure's name; nothing for an
  // iconized window.
  void UpdateWindow(std::string_view procedure, const Window& window);

  std::string FILENAME;                 // the profile file
  std::unique_ptr<SectorList> SECTORS;  // named items kept between runs
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_INI_MANAGER_H_
