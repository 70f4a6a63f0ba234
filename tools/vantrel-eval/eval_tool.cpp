#include "tools/vantrel-eval/eval_tool.h"

#include <cstdlib>
#include <deque>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

#include "os/posix/profile_store.h"
#include "os/posix/regular_file.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "runtime/data/text/env_file.h"
#include "runtime/data/text/locale.h"
#include "runtime/data/text/text_codec.h"

namespace vantrel {
namespace {

constexpr char kHelp[] = R"HELP(Usage: vantrel-eval [OPTIONS] [EXPRESSION]

Evaluates a run-time expression and prints its value on one line. On an
error it prints "error N: TEXT" (ERRORCODE and ERROR) on standard error and
exits with status 1.

Without an EXPRESSION, reads expressions from standard input, one a line,
and prints one line for each: the value, or "error N: TEXT" (on standard
output too, so a transcript keeps its order). Blank lines are skipped; the
status is 0 at the end of the input.

Text is read and printed as UTF-8 and evaluated as Windows-1252; a
character Windows-1252 cannot hold is refused with a message.

Options:
  --bind NAME=VALUE  bind a string variable NAME holding VALUE (repeatable)
  --env FILE         load FILE as the environment file first
  --ini FILE         use FILE as the system profile ([intl] and GETINI)
  --help             show this text
  --                 end of options

Examples:
  vantrel-eval '1 + 2 * 3 ^ 2'                        19
  vantrel-eval 'FORMAT(1234.5, @N12.2)'               "    1,234.50"
  vantrel-eval "DEFORMAT('1,234.50', @N12.2)"         1234.5
  vantrel-eval 'FORMAT(DATE(3, 15, 2024), @D1)'       3/15/24
  vantrel-eval 'MONTH(DATE(3, 15, 2024))'             3
  vantrel-eval 'YEAR(DATE(12, 31, 1999))'             1999
  vantrel-eval "SUB('Vantrel', 2, 3)"                 ant
  vantrel-eval "INSTRING('tr', 'Vantrel')"            4
  vantrel-eval "UPPER(CLIP('abc   ')) & '!'"          ABC!
  vantrel-eval --bind NAME=Smith "'Dear ' & NAME"     Dear Smith
  printf '1/4\nLEN(X)\n' | vantrel-eval               0.25, then
                                                      error 801: No BIND on variable (X)
)HELP";

struct Options {
  std::deque<std::string> bound_values;  // stable addresses for Bind
  std::deque<std::string> bound_names;
  std::string env_file;
  std::string ini_file;
  std::optional<std::string> expression;
  bool help = false;
};

// Reads the options; on a problem returns false with `problem` set.
bool ParseOptions(std::span<const std::string> args, Options* o,
                  std::string* problem) {
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view a = args[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= args.size()) {
        *problem = std::string(a) + " needs a value";
        return false;
      }
      *into = args[++i];
      return true;
    };
    if (!options_end && a == "--") {
      options_end = true;
    } else if (!options_end && (a == "--help" || a == "-h")) {
      o->help = true;
    } else if (!options_end && a == "--env") {
      if (!value(&o->env_file)) return false;
    } else if (!options_end && a == "--ini") {
      if (!value(&o->ini_file)) return false;
    } else if (!options_end && a == "--bind") {
      std::string pair;
      if (!value(&pair)) return false;
      std::size_t eq = pair.find('=');
      std::optional<std::string> name =
          Utf8ToWindows1252(pair.substr(0, eq), problem);
      if (!name) return false;
      if (eq == std::string::npos || name->empty() ||
          CutBindName(*name).size() != name->size()) {
        *problem = "--bind needs NAME=VALUE with a plain name: " + pair;
        return false;
      }
      std::optional<std::string> v =
          Utf8ToWindows1252(pair.substr(eq + 1), problem);
      if (!v) return false;
      o->bound_names.push_back(*name);
      o->bound_values.push_back(*v);
    } else if (!options_end && a.size() > 1 && a[0] == '-' && a[1] == '-') {
      *problem = "unknown option " + std::string(a);
      return false;
    } else if (o->expression) {
      *problem = "only one expression may be given (quote it)";
      return false;
    } else {
      o->expression = std::string(a);
    }
  }
  return true;
}

// The result line of one expression and whether it succeeded.
std::string EvaluateLine(std::string_view utf8, bool* ok) {
  std::string problem;
  std::optional<std::string> text = Utf8ToWindows1252(utf8, &problem);
  if (!text) {
    *ok = false;
    return "error: " + problem;
  }
  std::string value = Evaluate(*text);
  *ok = ErrorCode() == 0;
  if (!*ok) {
    return "error " + std::to_string(ErrorCode()) + ": " +
           Windows1252ToUtf8(Error());
  }
  return Windows1252ToUtf8(value);
}

}  // namespace

const char* EvalToolHelp() { return kHelp; }

int RunEvalTool(std::span<const std::string> args, std::istream& in,
                std::ostream& out, std::ostream& err) {
  Options o;
  std::string problem;
  if (!ParseOptions(args, &o, &problem)) {
    err << "vantrel-eval: " << problem << "\n"
        << "Try 'vantrel-eval --help'.\n";
    return kEvalExitUsage;
  }
  if (o.help) {
    out << kHelp;
    return kEvalExitOk;
  }
  for (auto [file, limit] : {std::pair{&o.env_file, kMaxEnvFileSize},
                             std::pair{&o.ini_file, kMaxProfileFileSize}}) {
    if (file->empty()) continue;
    ReadFileResult read = ReadRegularFile(*file, limit);
    if (read.error != ReadFileError::kNone) {
      err << "vantrel-eval: cannot read " << *file << ": "
          << ReadFileProblem(read.error, limit) << "\n";
      return kEvalExitUsage;
    }
  }
  if (!o.ini_file.empty()) SetSystemProfilePath(o.ini_file);
  if (!o.env_file.empty()) setenv("VANTREL_ENV", o.env_file.c_str(), 1);
  for (const std::string& line : LoadLocale()) {
    err << "vantrel-eval: environment: " << line << "\n";
  }
  for (std::size_t i = 0; i < o.bound_names.size(); ++i) {
    Bind(o.bound_names[i], &o.bound_values[i]);
  }

  bool ok = true;
  if (o.expression) {
    std::string line = EvaluateLine(*o.expression, &ok);
    (ok ? out : err) << line << "\n";
    return ok ? kEvalExitOk : kEvalExitError;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    out << EvaluateLine(line, &ok) << "\n";
  }
  return kEvalExitOk;
}

}  // namespace vantrel
