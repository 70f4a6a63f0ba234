// The runtime's file statements: each is one driver call (driver_call.h), so
// the state table, the error state and the trace see every file operation.
// Outcomes are in the error state (ERRORCODE() ...); the return values are
// the statements' own values.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_FILE_STATEMENTS_H_
#define VANTREL_RUNTIME_DATA_DRIVER_FILE_STATEMENTS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "os/posix/open_mode.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

// The modes OPEN and SHARE use when none is given (os/posix/open_mode.h).
inline constexpr std::uint32_t kDefaultOpenMode =
    kOpenReadWrite | kOpenDenyWrite;
inline constexpr std::uint32_t kDefaultShareMode = kOpenReadWriteShared;

// Opening and closing, whole-file operations.
void Open(FileDeclaration& file, std::uint32_t mode = kDefaultOpenMode);
void Share(FileDeclaration& file, std::uint32_t mode = kDefaultShareMode);
void Create(FileDeclaration& file);
void Close(FileDeclaration& file);
void Empty(FileDeclaration& file);
void Flush(FileDeclaration& file);
void Stream(FileDeclaration& file);
void Remove(FileDeclaration& file);
void Rename(FileDeclaration& file, std::string_view new_name);
void Copy(FileDeclaration& file, std::string_view new_name);
void Build(FileDeclaration& file);
void Build(KeyDeclaration& key);
void BuildDynamic(KeyDeclaration& key);
void BuildDynamic(KeyDeclaration& key, std::string_view filter);
void Pack(FileDeclaration& file);

// Writing records.
void Add(FileDeclaration& file);
void Add(FileDeclaration& file, std::uint32_t length);
void Append(FileDeclaration& file);
void Append(FileDeclaration& file, std::uint32_t length);
void Put(FileDeclaration& file);
void Put(FileDeclaration& file, std::int64_t pointer);
void Put(FileDeclaration& file, std::int64_t pointer, std::uint32_t length);
void Delete(FileDeclaration& file);
// True when the record buffer would duplicate a key of another record.
bool Duplicate(FileDeclaration& file);
bool Duplicate(KeyDeclaration& key);

// Reading records.
void Get(FileDeclaration& file, KeyDeclaration& key);
void Get(FileDeclaration& file, std::int64_t pointer);
void Get(FileDeclaration& file, std::int64_t pointer, std::uint32_t length);
void Get(KeyDeclaration& key, std::int64_t pointer);
void Reget(FileDeclaration& file, std::string_view position);
void Reget(KeyDeclaration& key, std::string_view position);

// Sequences.
void Set(FileDeclaration& file);
void Set(FileDeclaration& file, KeyDeclaration& key);
void Set(FileDeclaration& file, std::int64_t pointer);
void Set(KeyDeclaration& key);
void Set(KeyDeclaration& key, KeyDeclaration& start);
void Set(KeyDeclaration& key, std::int64_t pointer);
void Set(KeyDeclaration& key, KeyDeclaration& start, std::int64_t pointer);
void Reset(FileDeclaration& file, std::string_view position);
void Reset(KeyDeclaration& key, std::string_view position);
void Next(FileDeclaration& file);
void Previous(FileDeclaration& file);
void Skip(FileDeclaration& file, std::int32_t count);
bool Eof(FileDeclaration& file);
bool Bof(FileDeclaration& file);

// Where the file stands.
std::string Position(FileDeclaration& file);
std::string Position(KeyDeclaration& key);
std::int64_t Pointer(FileDeclaration& file);
std::int64_t Pointer(KeyDeclaration& key);
std::int64_t Records(FileDeclaration& file);
std::int64_t Records(KeyDeclaration& key);
std::int64_t Bytes(FileDeclaration& file);
std::string Name(FileDeclaration& file);

// Holds, watches and locks.
void Hold(FileDeclaration& file);
void Hold(FileDeclaration& file, std::int32_t seconds);
void Release(FileDeclaration& file);
void Watch(FileDeclaration& file);
void Lock(FileDeclaration& file);
void Lock(FileDeclaration& file, std::int32_t seconds);
void Unlock(FileDeclaration& file);
void NoMemo(FileDeclaration& file);

// Transactions.
void Logout(FileDeclaration& file);
// LOGOUT that waits at most `seconds` for the file when another process
// has it; 0 waits as long as it takes.
void Logout(FileDeclaration& file, std::int32_t seconds);
void Commit(FileDeclaration& file);
void Rollback(FileDeclaration& file);

// Driver commands and properties.
std::string Send(FileDeclaration& file, std::string_view command);
void SetProperty(FileDeclaration& file, std::string_view property,
                 std::string_view value);
std::string GetProperty(FileDeclaration& file, std::string_view property);
void DoProperty(FileDeclaration& file, std::string_view property,
                std::string_view value);
void SetProperty(KeyDeclaration& key, std::string_view property,
                 std::string_view value);
std::string GetProperty(KeyDeclaration& key, std::string_view property);
void DoProperty(KeyDeclaration& key, std::string_view property,
                std::string_view value);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_FILE_STATEMENTS_H_
