// tnltool: an inspector for native data files.
//
//   tnltool info FILE            header, zones, pages per size class, tables
//   tnltool tables FILE          table names and numbers
//   tnltool check FILE [--strict]
//                                one line per problem; exit 1 when any;
//                                --strict also encodes every page again and
//                                names each whose bytes differ
//   tnltool dump FILE [--table NAME]
//                                declaration, then every data record
//                                with its memos
//   tnltool sample FILE --records N [--table NAME] [--seed S] [--batch K]
//                                adds N generated records (sample.h)
//   tnltool recover DAMAGED NEW [--descriptions FILE]
//                                salvages a damaged file into a new one
//                                (recover_command.h)
//   tnltool --help               usage, and what recover does
//   --password P                 for enciphered files
//
// Text on the terminal is UTF-8; names and values inside are Windows-1252.
#ifndef VANTREL_TOOLS_TNLTOOL_TNL_TOOL_H_
#define VANTREL_TOOLS_TNLTOOL_TNL_TOOL_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

// The exit status of every command, one meaning each (tnltool --help lists
// them).
inline constexpr int kToolClean = 0;  // done; check: the file is clean
inline constexpr int kToolProblems =
    1;                                // the file is damaged or no native file
inline constexpr int kToolUsage = 2;  // the command line is wrong
inline constexpr int kToolNoAccess = 3;  // the file cannot be opened or written
inline constexpr int kToolNoTable = 4;   // --table names no table of the file

// Runs one command; returns the exit status.
int RunTnlTool(const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_TOOLS_TNLTOOL_TNL_TOOL_H_
