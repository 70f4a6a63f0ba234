#include "runtime/data/text/env_file.h"

#include <unistd.h>

#include <cstdlib>

#include "os/posix/regular_file.h"
#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

constexpr int kMaxCharCode = 255;
constexpr std::size_t kMaxPath = 4096;

std::string ParseKey(std::string_view raw) {
  std::string key;
  for (char ch : raw) {
    auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c == 0x7F) continue;
    if (key.size() == kMaxEnvKeyLength) break;
    key += AsciiUpper(ch);
  }
  return key;
}

// Decodes <n> escapes; anything else is copied as it is.
std::string DecodeEscapes(std::string_view raw) {
  std::string value;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '<') {
      std::size_t j = i + 1;
      int code = 0;
      while (j < raw.size() && raw[j] >= '0' && raw[j] <= '9' &&
             code <= kMaxCharCode) {
        code = code * 10 + (raw[j++] - '0');
      }
      if (j > i + 1 && j < raw.size() && raw[j] == '>' &&
          code <= kMaxCharCode) {
        value += static_cast<char>(code);
        i = j;
        continue;
      }
    }
    value += raw[i];
  }
  return value;
}

std::string ParseValue(std::string_view raw) {
  raw = raw.substr(0, kMaxEnvValueLength);
  std::size_t end = raw.find_last_not_of(" \t");
  raw = end == std::string_view::npos ? std::string_view()
                                      : raw.substr(0, end + 1);
  return DecodeEscapes(raw);
}

}  // namespace

std::vector<EnvEntry> ParseEnvFile(std::string_view text) {
  text = text.substr(0, text.find(kEnvEndOfFile));
  std::vector<EnvEntry> entries;
  while (!text.empty()) {
    std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string key = ParseKey(line.substr(0, equals));
    if (key.empty()) continue;
    entries.push_back({std::move(key), ParseValue(line.substr(equals + 1))});
  }
  return entries;
}

std::string EnvPathFor(std::string_view program_path) {
  std::size_t slash = program_path.rfind('/');
  std::size_t dot = program_path.rfind('.');
  std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
  if (dot != std::string_view::npos && dot > base) {
    program_path = program_path.substr(0, dot);
  }
  return std::string(program_path) + ".env";
}

std::string EnvFilePath() {
  if (const char* own = std::getenv("VANTREL_ENV"); own && *own) return own;
  char path[kMaxPath];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return EnvPathFor(std::string_view(path, static_cast<std::size_t>(n)));
}

std::vector<EnvEntry> ReadEnvFile(const std::string& path,
                                  std::string* problem) {
  ReadFileResult file = ReadRegularFile(path, kMaxEnvFileSize);
  if (file.error != ReadFileError::kNone) {
    if (problem && file.error != ReadFileError::kMissing) {
      *problem = path + " " + ReadFileProblem(file.error, kMaxEnvFileSize);
    }
    return {};
  }
  return ParseEnvFile(file.text);
}

}  // namespace vantrel
