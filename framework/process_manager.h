// The process manager: a view manager that counts the records it has
// processed, keeps a percentage of completion on screen ("n% Complete"),
// and reads child files record by record after each parent record.
#ifndef VANTREL_FRAMEWORK_PROCESS_MANAGER_H_
#define VANTREL_FRAMEWORK_PROCESS_MANAGER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/view_manager.h"

namespace vantrel {

// Measures progress by a key value instead of counts.
class StepManager {
 public:
  virtual ~StepManager() = default;
  // Takes the value range of the key the process reads by.
  virtual void Init(KeyDeclaration& key) = 0;
  // The percentage the value has reached.
  virtual int Percentage(const Variable& value) = 0;
};

// A user query: the filter text it builds; empty when it has no
// conditions.
class Query {
 public:
  virtual ~Query() = default;
  virtual std::string FilterText() = 0;
};

class ProcessManager : public ViewManager {
 public:
  // Binds the view and the primary file, and the variable the percentage
  // is kept in (may be null) with the control that shows it (0: none).
  void Init(ViewDeclaration& view, RelationManager& primary,
            std::uint8_t* percentile = nullptr, std::int32_t ptext = 0);
  void AddChild(ProcessManager& child);

  // Starts a new run: counts from 0 and takes the percentage base.
  virtual Level ResetProcess();
  // The next record at the level being read (see CHILDREAD); counted and
  // measured at the primary level.
  Level Next() override;
  virtual void UpdateProgress();
  // The query's filter becomes the "5 Standard" filter.
  virtual void ApplyQuery();
  // Takes each record; the procedure overrides it.
  virtual Level TakeRecord() { return Level::Proceed; }

  std::int32_t BYTESREAD = 0;
  std::int32_t FILESIZE = 0;
  std::uint8_t CHILDREAD = 0;
  std::unique_ptr<std::vector<ProcessManager*>> CHILDREN;
  std::uint8_t* PERCENTILE = nullptr;
  std::int32_t PTEXT = 0;
  Query* QUERY = nullptr;
  std::int32_t RECORDSPROCESSED = 0;
  std::int32_t RECORDSTOPROCESS = 0;
  StepManager* STEPMGR = nullptr;
  Variable VALUEFIELD;

 private:
  bool stepped_back_ = false;  // the last read ended a child level
};

// "n% Complete".
std::string CompleteText(int percentage);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_PROCESS_MANAGER_H_
