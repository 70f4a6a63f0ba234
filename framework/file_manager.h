// The file manager: stands in front of one declared data file and gives
// every procedure the same way to open, read, add and change its records.
// It opens lazily and counts nested opens, falls back to read-only when
// write access is refused, creates a missing file, rebuilds broken keys,
// numbers new records, skips or reports records held by other stations,
// and turns each driver failure into a numbered message of the error
// manager.
//
//   FileManager cards;
//   cards.Init(card_file, errors);
//   cards.AddKey(*card_file.keys.begin(), "By number", /*auto_inc=*/1);
//   cards.Open();
//   cards.PrimeRecord();       // numbered and added
//   ... fill the record ...
//   cards.Insert();            // written
//
// Operations that can fail come in two forms: TryX records the condition
// (LASTERROR and the error manager's captured state) and returns the level;
// X also shows it. Levels: 0 success, 5 failed and reported, 3 failed badly,
// 1 or 4 as the user answered.
#ifndef VANTREL_FRAMEWORK_FILE_MANAGER_H_
#define VANTREL_FRAMEWORK_FILE_MANAGER_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/error_manager.h"
#include "os/posix/open_mode.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

class RelationManager;

// The open mode a manager starts with: read and write, others may too.
inline constexpr std::uint8_t kManagerOpenMode = kOpenReadWriteShared;
inline constexpr std::size_t kPositionSize = 512;
inline constexpr std::size_t kKeyDescriptionSize = 80;

// How a procedure uses a file, for scope tracking: record operations use
// kUseRecord, a form preparing a record for change or insert kUseChange.
enum UseLevel : std::uint8_t {
  kUseOpen = 1,
  kUseRecord = 2,
  kUseChange = 3,
};

// The state a manager keeps per thread (one entry for a file not declared
// THREAD).
struct FileThreadState {
  std::int32_t ID = 0;           // thread number, or 1
  std::uint8_t USED = 0;         // the file is physically open
  std::uint16_t OPENED = 0;      // logical opens
  std::uint8_t ATEOF = 0;        // the last sequential read ran off the end
  std::uint8_t AUTOINCDONE = 0;  // the record was added by auto-numbering
  // The pending message id; 16 bits, as ids are, so that an id an
  // application added above 255 is raised as itself.
  std::uint16_t LASTERROR = 0;
  // Where the record added by auto-numbering stands, so that completing
  // or cancelling it acts on that record whatever was read since.
  std::int64_t autoinc_pointer = 0;
};

// One component of a key.
struct KeyComponentEntry {
  int FIELD = 0;          // field number in the record, from 1
  std::string FIELDNAME;  // the field's label
  std::uint8_t ASCEND = 1;
};

// One key of the file as the manager knows it.
struct KeyDescription {
  KeyDeclaration* KEY = nullptr;
  std::string DESCRIPTION;  // shown in "Duplicate Key Error"
  std::unique_ptr<std::vector<KeyComponentEntry>> FIELDS;
  std::uint8_t AUTOINC = 0;  // 1-based auto-numbered component; 0: none
  std::uint8_t DUPS = 0;
  std::uint8_t NOCASE = 0;
};

// A copy of the record (with its MEMO buffers), or of one BLOB.
struct SavedBuffer {
  std::int32_t ID = 0;
  std::unique_ptr<std::vector<std::uint8_t>> BUFFER;
};

// A saved state of the file: record, position, hold and watch.
struct SavedFileState {
  std::uint16_t BUFFER = 0;  // id of the saved record
  std::uint16_t ID = 0;
  std::uint8_t WHELD = 0;
  std::uint8_t WWATCH = 0;
  std::uint8_t AUTOINCDONE = 0;
  std::string POS;       // the driver's position; empty: no current record
  std::uint8_t KEY = 0;  // key whose position was taken; 0: the file's
};

class FileManager {
 public:
  FileManager();
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // Makes the record's fields known by name to run-time expressions.
  virtual void BindBuffer();
  // Removes the record auto-numbering added (through `relations` with
  // referential integrity when given); clears AUTOINCDONE.
  virtual Level CancelAutoInc(RelationManager* relations = nullptr);
  // One logical close; the last one closes the file.
  virtual Level Close();
  // Whether the record (and its MEMOs and BLOBs) equals the copy saved
  // under `id`.
  virtual bool EqualBuffer(std::int32_t id);
  // TryFetch by `key`; on failure the record is cleared.
  virtual Level FetchOrClear(KeyDeclaration& key);
  virtual Level Insert();
  virtual Level Next();
  // One logical open; the physical open waits for the first use when
  // LAZYOPEN is set.
  virtual Level Open();
  virtual Level Previous();
  virtual Level PrimeAutoInc();
  // Hook for field defaults of a new record.
  virtual void PrimeFields();
  // Prepares a new record: cleared unless `keep`, defaults, and with
  // auto-numbering already numbered and added.
  virtual Level PrimeRecord(bool keep = false);
  // Records `id` as pending and raises it.
  virtual Level Throw(std::uint16_t id);
  // Raises the pending id with the error state captured when it was
  // recorded.
  virtual Level ThrowPending();
  virtual Level ThrowMessage(std::uint16_t id, std::string_view text);
  // Reads the record whose key fields equal the record's: 0 or 5.
  virtual Level TryFetch(KeyDeclaration& key);
  virtual Level TryInsert();
  virtual Level TryNext();
  virtual Level TryOpen();
  virtual Level TryPrevious();
  virtual Level TryPrimeAutoInc();
  virtual Level TryUpdate();
  virtual Level Update();
  // Whether a field's value is acceptable (0); every value is here.
  virtual Level ValidateField(int field);
  virtual Level ValidateFields(int first, int last, int& failed);
  virtual Level ValidateRecord(int& failed);

  void Init(FileDeclaration& file, ErrorManager& errors);
  // Leaves the registry and drops the manager's queues. A transaction still
  // open on the file is rolled back: nothing half done is committed.
  void Kill();
  // Adds a key; `auto_inc` is the 1-based auto-numbered component, or 0.
  void AddKey(KeyDeclaration& key, std::string_view description,
              std::uint8_t auto_inc = 0);
  // Captures the error state and records `id` as pending.
  void SetError(std::uint16_t id);
  // Saves the record (and each BLOB under the following ids); returns its id.
  std::int32_t SaveBuffer();
  // Copies the record saved under `id` back (when `copy_back`) and frees it.
  void RestoreBuffer(std::int32_t id, bool copy_back = true);
  // Saves record, position, hold and watch; returns the state's id.
  std::uint16_t SaveFile();
  // Puts back a saved state and frees it. With `reposition` the file is
  // positioned at the saved record, which is read (held, watched) again.
  void RestoreFile(std::uint16_t id, bool reposition = true);
  // Called first by every record operation: opens a lazily opened file.
  Level UseFile(UseLevel level = kUseRecord);
  // The current position, through the primary key when there is one.
  std::string Position();
  // Sets key components first..last (1-based) low, or high with `high`
  // (for a descending component the other way round).
  void ClearKey(KeyDeclaration& key, int first = 1, int last = 255,
                bool high = false);
  // The name the file goes by now.
  std::string GetName() const;

  // The calling thread's state (added when missing).
  FileThreadState& ThreadState();

  FileManager* ALIASEDFILE = nullptr;
  std::span<char> BUFFER;  // the record the operations work on
  std::unique_ptr<std::vector<SavedBuffer>> BUFFERS;
  std::uint8_t CREATE = 1;
  ErrorManager* ERRORS = nullptr;
  FileDeclaration* FILE = nullptr;
  std::string* FILENAME = nullptr;  // the variable holding a variable name
  std::string FILENAMEVALUE;        // the declared name
  std::uint8_t HASAUTOINC = 0;
  std::unique_ptr<std::deque<FileThreadState>> INFO;
  std::unique_ptr<std::vector<KeyDescription>> KEYS;
  std::uint8_t LAZYOPEN = 1;
  std::int16_t LOCKRECOVER = 10;
  std::uint8_t OPENMODE = kManagerOpenMode;
  std::uint8_t PRIMARYKEY = 0;  // position of the primary key in KEYS
  std::unique_ptr<std::vector<SavedFileState>> SAVED;
  std::uint8_t SKIPHELDRECORDS = 0;

 private:
  // Makes the thread's state current and names the file for messages.
  FileThreadState& Enter();
  Level LogicalOpen(bool show);
  Level PhysicalOpen(bool show);
  Level RebuildKeys(bool show);
  Level Read(bool forward, bool show);
  Level InsertRecord(bool show);
  Level AutoNumber(bool show);
  // Works out the next number of each auto-numbered key into the record;
  // false when a look-up failed (condition recorded).
  bool NumberKeys();
  Level UpdateRecord(bool show);
  // Shows the pending condition when `show`, else answers `quiet`.
  Level Finish(bool show, Level quiet);
  std::int32_t NextBufferId() const;
};

// The manager of a declared file, or nullptr.
FileManager* FindFileManager(const FileDeclaration& file);

// Before the program halts: rolls back open transactions and closes the
// files of every registered manager.
void CloseManagedFiles();

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_FILE_MANAGER_H_
