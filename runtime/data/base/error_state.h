// The process-wide error state: the outcome of the last file, queue or
// expression operation, which callers test after each statement.
//
//   ERRORCODE      the runtime's error code (0: no error)
//   ERROR          its text: at most 79 characters in an 80-character
//                  blank-padded buffer, leading blanks removed
//   FILEERRORCODE  a driver's own code as text, 81 characters blank-padded
//   FILEERROR      a driver's own message, 255 characters blank-padded
//   ERRORFILE      the name of the file that posted the error
#ifndef VANTREL_RUNTIME_DATA_BASE_ERROR_STATE_H_
#define VANTREL_RUNTIME_DATA_BASE_ERROR_STATE_H_

#include <string>
#include <string_view>

namespace vantrel {

// Runtime error codes used across modules.
enum ErrorCodes : int {
  kErrNone = 0,
  kErrFileNotFound = 2,
  kErrPathNotFound = 3,
  kErrTooManyOpenFiles = 4,
  kErrAccessDenied = 5,
  kErrMemoryCorrupted = 7,
  kErrInsufficientMemory = 8,
  kErrEntryNotFound = 30,
  kErrFileLocked = 32,
  kErrRecordNotAvailable = 33,
  kErrRecordNotFound = 35,
  kErrInvalidDataFile = 36,
  kErrFileNotOpen = 37,
  kErrInvalidKeyFile = 38,
  kErrDuplicateKey = 40,
  kErrRecordHeld = 43,
  kErrInvalidFilename = 45,
  kErrKeyMustBeRebuilt = 46,
  kErrInvalidRecordDeclaration = 47,
  kErrUnableToLogTransaction = 48,
  kErrFileAlreadyOpen = 52,
  kErrInvalidHestraFile = 53,
  kErrNoCreateAttribute = 54,
  kErrFileMustBeShared = 55,
  kErrLogoutAlreadyActive = 56,
  kErrInvalidMemoFile = 57,
  kErrExclusiveAccessRequired = 63,
  kErrSharingViolation = 64,
  kErrUnableToRollback = 65,
  kErrMemoFileMissing = 73,
  kErrInvalidDescriptor = 75,
  kErrInvalidIndexString = 76,
  kErrUnableToAccessIndex = 77,
  kErrInvalidParameterCount = 78,
  kErrUnsupportedDataType = 79,
  kErrUnsupportedFunction = 80,
  kErrUnknownPosted = 81,
  kErrInvalidKeyLength = 88,
  kErrRecordChanged = 89,
  kErrFileSystem = 90,
  kErrLogoutNotActive = 91,
  kErrBuildInProgress = 92,
  kErrBuildCancelled = 93,
  kErrRecordLimit = 94,
  kErrServerNotFound = 95,
  kErrRemoteObjectNotFound = 96,
  kErrOsBase = 300,  // 300 + system error number
  kErrInvalidExpression = 800,
  kErrNoBind = 801,
  kErrMismatchedScope = 802,
};

inline constexpr std::size_t kErrorTextSize = 80;
inline constexpr std::size_t kFileErrorCodeSize = 81;
inline constexpr std::size_t kFileErrorSize = 255;

// The text of a code: from the message table, or "Unknown Error Posted : N".
std::string ErrorMessageFor(int code);

// Posts an error. Code 0 posts 300 + the calling thread's last system error.
void PostError(int code, std::string_view file_name = {});
// Posts an error whose text is the code's text followed by `detail`
// (" (XYZ)" after "No BIND on variable").
void PostErrorWithDetail(int code, std::string_view detail,
                         std::string_view file_name = {});

// Posts a driver's own failure: error 90 with FILEERRORCODE and FILEERROR.
void PostFileError(std::string_view file_error_code,
                   std::string_view file_error, std::string_view file_name);

// The error for the calling thread's last system error on a file: 2, 3, 4,
// 5 or 32 for the common ones; any other is posted as error 90 with the
// system's number and text as the driver's, and 90 returned.
int SystemFailureCode(std::string_view file_name);

// Code 0, blank texts, no file.
void ClearError();

int ErrorCode();                    // ERRORCODE()
std::string_view ErrorBuffer();     // ERROR as its padded 80-byte buffer
std::string_view Error();           // ERROR() without the trailing blanks
std::string_view FileErrorCode();   // FILEERRORCODE(), clipped
std::string_view FileError();       // FILEERROR(), clipped
std::string_view ErrorFile();       // ERRORFILE()

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_ERROR_STATE_H_
