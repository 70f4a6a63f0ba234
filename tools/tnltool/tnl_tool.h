// tnltool: an inspector for native data files.
//
//   tnltool info FILE            header, zones, pages per size class, tables
//   tnltool tables FILE          table names and numbers
//   tnltool check FILE           one line per problem; exit 1 when any
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

inline constexpr int kToolClean = 0;
inline constexpr int kToolProblems = 1;
inline constexpr int kToolUsage = 2;

// Runs one command; returns the exit status.
int RunTnlTool(const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_TOOLS_TNLTOOL_TNL_TOOL_H_
