#include "runtime/window/file_dialog.h"

#include "os/posix/process.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/field_type.h"

namespace vantrel {
namespace {

constexpr char kFilterSeparator = '|';
constexpr char kPathsSeparator[] = "|";
constexpr char kDirectorySeparator = '/';

std::vector<FileDialogRequest::Filter> ParseFilters(std::string_view filter) {
  filter = filter.substr(0, kMaxFilterLength);
  std::vector<std::string_view> items;
  while (!filter.empty()) {
    std::size_t bar = filter.find(kFilterSeparator);
    items.push_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::vector<FileDialogRequest::Filter> filters;
  for (std::size_t i = 0; i + 1 < items.size(); i += 2)
    filters.push_back({std::string(items[i]), std::string(items[i + 1])});
  return filters;
}

std::string DirectoryOf(std::string_view path) {
  std::size_t slash = path.rfind(kDirectorySeparator);
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

}  // namespace

FileDialogRequest BuildFileDialog(std::string_view title,
                                  std::string_view current_value,
                                  std::string_view filter, int flags) {
  FileDialogRequest request;
  request.title = std::string(title);
  request.filters = ParseFilters(filter);
  std::string_view initial = ClipText(current_value);
  std::size_t slash = initial.rfind(kDirectorySeparator);
  request.initial_directory = DirectoryOf(initial);
  request.initial_file = std::string(
      slash == std::string_view::npos ? initial : initial.substr(slash + 1));
  request.save = (flags & kFileSave) != 0;
  request.must_exist = !request.save && (flags & kFileMayNotExist) == 0;
  request.multi_select = (flags & kFileMultiSelect) != 0;
  request.directory = (flags & kFileDirectory) != 0;
  return request;
}

bool FileDialog(std::string_view title, const Variable& variable,
                std::string_view filter, int flags) {
  if (!variable.bound() || !IsTextType(variable.type)) return false;
  FileDialogRequest request =
      BuildFileDialog(title, VariableValue(variable), filter, flags);
  std::optional<std::vector<std::string>> chosen =
      Backend().RunFileDialog(request);
  if (!chosen || chosen->empty()) return false;
  std::string paths;
  for (const std::string& path : *chosen) {
    if (!paths.empty()) paths += kPathsSeparator;
    paths += path;
  }
  StoreVariableValue(variable, paths);
  if ((flags & kFileKeepDirectory) == 0) {
    std::string directory =
        request.directory ? chosen->front() : DirectoryOf(chosen->front());
    if (!directory.empty()) ChangeDirectory(directory);
  }
  return true;
}

}  // namespace vantrel
