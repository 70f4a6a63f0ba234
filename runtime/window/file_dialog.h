// The standard file dialog.
#ifndef VANTREL_RUNTIME_WINDOW_FILE_DIALOG_H_
#define VANTREL_RUNTIME_WINDOW_FILE_DIALOG_H_

#include <cstddef>
#include <string_view>

#include "runtime/window/gui_backend.h"
#include "runtime/window/variable.h"

namespace vantrel {

enum FileDialogFlag : int {
  kFileSave = 0x01,           // save-style; else open-style
  kFileKeepDirectory = 0x02,  // the current directory stays as it was
  kFileMayNotExist = 0x04,    // open-style: the file need not exist
  kFileMultiSelect = 0x08,    // several files may be chosen
  kFileDirectory = 0x20,      // a directory is chosen
};

// The filter text is cut to this many characters.
inline constexpr std::size_t kMaxFilterLength = 255;

// The dialog for the title, the variable's current value (the initial
// directory and file), the filter ("Vantrel|*.vtl|ALL|*.*": description and
// pattern pairs, a description without a pattern dropped) and the flags.
FileDialogRequest BuildFileDialog(std::string_view title,
                                  std::string_view current_value,
                                  std::string_view filter, int flags);

// Shows the dialog. On a confirmed choice writes the full path into the text
// variable, cut to its length, and returns true; several chosen files are
// written separated by "|". Unless kFileKeepDirectory is set, the chosen
// file's directory becomes the current directory. On cancel the variable
// keeps its value and the result is false.
bool FileDialog(std::string_view title, const Variable& variable,
                std::string_view filter = {}, int flags = 0);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_FILE_DIALOG_H_
