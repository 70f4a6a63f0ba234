// Comma-separated values as RFC 4180 writes them: records ended by CR LF
// (LF alone is read too), fields separated by commas, a field in double
// quotes when it holds a comma, a quote or a line break, a quote inside
// doubled. A byte order mark at the start is skipped.
#ifndef VANTREL_APP_INTERCHANGE_CSV_H_
#define VANTREL_APP_INTERCHANGE_CSV_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

using CsvRow = std::vector<std::string>;

struct CsvFile {
  std::vector<CsvRow> rows;  // empty lines are left out
  std::vector<int> lines;    // where each row began, from 1
  // Set when a quoted field is not closed by the end of the text.
  std::string error;
};

CsvFile ReadCsv(std::string_view text);

// Appends the fields as one record, quoting where needed.
void AppendCsvRow(std::string& out, const CsvRow& row);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_CSV_H_
