#include "framework/process_manager.h"

#include <algorithm>

#include "framework/file_manager.h"
#include "framework/relation_manager.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/events.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {

std::string CompleteText(int percentage) {
  return std::to_string(percentage) + "% Complete";
}

void ProcessManager::Init(ViewDeclaration& view, RelationManager& primary,
                          std::uint8_t* percentile, std::int32_t ptext) {
  ViewManager::Init(view, primary);
  PERCENTILE = percentile;
  PTEXT = ptext;
  CHILDREN = std::make_unique<std::vector<ProcessManager*>>();
}

void ProcessManager::AddChild(ProcessManager& child) {
  CHILDREN->push_back(&child);
}

Level ProcessManager::ResetProcess() {
  RECORDSPROCESSED = 0;
  BYTESREAD = 0;
  CHILDREAD = 0;
  stepped_back_ = false;
  Level level = Open();
  if (level != Level::Proceed) return level;
  if (STEPMGR != nullptr && CurrentOrder().MAINKEY != nullptr) {
    STEPMGR->Init(*CurrentOrder().MAINKEY);
  } else if (RECORDSTOPROCESS == 0) {
    ClearError();
    const std::int64_t records = Records(*PRIMARY->ME->FILE);
    if (ErrorCode() == 0 && records > 0) {
      RECORDSTOPROCESS =
          static_cast<std::int32_t>(std::min<std::int64_t>(records, INT32_MAX));
    } else {
      ClearError();
      const std::int64_t bytes = Bytes(*PRIMARY->ME->FILE);
      FILESIZE = ErrorCode() == 0 ? static_cast<std::int32_t>(std::clamp<
                                        std::int64_t>(bytes, 0, INT32_MAX))
                                  : 0;
      ClearError();
    }
  }
  if (PERCENTILE != nullptr) *PERCENTILE = 0;
  return Reset();
}

Level ProcessManager::Next() {
  for (;;) {
    if (RECORDSPROCESSED > 0 && !stepped_back_ && CHILDREN &&
        CHILDREAD < CHILDREN->size()) {
      ProcessManager& child = *(*CHILDREN)[CHILDREAD];
      ++CHILDREAD;
      Level level = child.Reset();
      if (level != Level::Proceed) return level;
    }
    stepped_back_ = false;
    if (CHILDREAD > 0) {
      Level level = (*CHILDREN)[CHILDREAD - 1]->ViewManager::Next();
      if (level == Level::Notified) {
        --CHILDREAD;  // this level is exhausted: read on at its parent
        stepped_back_ = true;
        continue;
      }
      return level;
    }
    Level level = ViewManager::Next();
    if (level != Level::Proceed) return level;
    if (FILESIZE > 0) {
      BYTESREAD += static_cast<std::int32_t>(PRIMARY->ME->FILE->record.size());
    }
    ++RECORDSPROCESSED;
    UpdateProgress();
    return Level::Proceed;
  }
}

void ProcessManager::UpdateProgress() {
  if (PERCENTILE == nullptr || CHILDREAD != 0) return;
  std::int64_t percent = 0;
  if (STEPMGR != nullptr) {
    percent = STEPMGR->Percentage(VALUEFIELD);
  } else if (FILESIZE > 0) {
    percent = static_cast<std::int64_t>(BYTESREAD) * 100 / FILESIZE;
  } else if (RECORDSTOPROCESS > 0) {
    percent = static_cast<std::int64_t>(RECORDSPROCESSED) * 100 /
              RECORDSTOPROCESS;
  }
  percent = std::clamp<std::int64_t>(percent, 0, 100);
  if (percent == *PERCENTILE) return;
  *PERCENTILE = static_cast<std::uint8_t>(percent);
  if (PTEXT != 0 && TopWindow() != nullptr &&
      TopWindow()->Find(static_cast<std::int16_t>(PTEXT)) != nullptr) {
    SetProperty(kPropText, static_cast<std::int16_t>(PTEXT),
                CompleteText(static_cast<int>(percent)));
  }
}

void ProcessManager::ApplyQuery() {
  if (QUERY == nullptr) return;
  std::string text = QUERY->FilterText();
  if (!text.empty()) SetFilter(text, kStandardFilterId);
}

}  // namespace vantrel
