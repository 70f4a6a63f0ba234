#include "app/interchange/csv.h"

namespace vantrel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsEmptyRow(const CsvRow& row) { return row.size() == 1 && row[0].empty(); }

}  // namespace

CsvFile ReadCsv(std::string_view text) {
  CsvFile file;
  if (text.starts_with(kByteOrderMark))
    text.remove_prefix(kByteOrderMark.size());
  CsvRow row(1);
  int line = 1;
  int row_line = 1;
  bool quoted = false;      // inside a quoted field
  bool was_quoted = false;  // the field began with a quote
  int quote_line = 0;
  auto end_row = [&] {
    if (!IsEmptyRow(row)) {
      file.rows.push_back(std::move(row));
      file.lines.push_back(row_line);
    }
    row.assign(1, std::string());
    was_quoted = false;
    row_line = line;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          row.back() += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        row.back() += c;
      }
    } else if (c == '"' && row.back().empty() && !was_quoted) {
      quoted = was_quoted = true;
      quote_line = line;
    } else if (c == ',') {
      row.emplace_back();
      was_quoted = false;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      end_row();
    } else {
      row.back() += c;  // a quote inside an unquoted field stays as it is
    }
  }
  if (quoted) {
    file.error =
        "line " + std::to_string(quote_line) + ": a quoted field is not closed";
    return file;
  }
  end_row();
  return file;
}

void AppendCsvRow(std::string& out, const CsvRow& row) {
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& field = row[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      out += field;
      continue;
    }
    out += '"';
    for (char c : field) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += "\r\n";
}

}  // namespace vantrel
