// The relation manager: stands beside a file manager and carries the file's
// relations to other files. It opens related files together and applies
// the referential-integrity actions of each relation when a record is
// deleted or its linking fields change, optionally inside a transaction.
//
//   RelationManager orders;
//   orders.Init(order_manager, /*use_logout=*/true);
//   orders.AddRelation(lines, NoAction, Cascade, line_key,
//                      {{kOrderId, kLineOrderId}});
//   orders.Delete(/*ask=*/true);  // deletes the order and its lines
#ifndef VANTREL_FRAMEWORK_RELATION_MANAGER_H_
#define VANTREL_FRAMEWORK_RELATION_MANAGER_H_

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/error_manager.h"
#include "framework/file_manager.h"

namespace vantrel {

// What a relation does to the related records when a record is deleted or
// its linking fields change.
enum RelationAction : std::uint8_t {
  NoAction = 0,
  ClearLinks = 1,
  Restrict = 2,
  Cascade = 3,
};

// A field of a file's record.
struct FieldRef {
  FileDeclaration* file = nullptr;
  int number = 0;  // from 1
};

// One pair of linking fields, with the copy of this file's value that
// SaveLinks took.
struct LinkingFields {
  FieldRef LEFT;   // this file's field
  FieldRef RIGHT;  // the related file's field
  std::unique_ptr<std::vector<std::uint8_t>> BUFFER;
};

using Links = std::vector<LinkingFields>;

struct Relation {
  class RelationManager* FILE = nullptr;  // the related file's manager
  std::unique_ptr<Links> FIELDS;
  KeyDeclaration* HISKEY = nullptr;  // the related key carrying the link
  std::uint8_t UPDATEMODE = NoAction;
  std::uint8_t DELETEMODE = NoAction;
};

class RelationManager {
 public:
  RelationManager();
  virtual ~RelationManager();
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  // Removes the record auto-numbering added, with referential integrity.
  virtual Level CancelAutoInc();
  // Logical close of the file and of every related file, each once.
  virtual Level Close();
  // Deletes the current record with referential integrity.
  virtual Level Delete(bool ask = true);
  // Applies a delete action to this file's records that link to a deleted
  // parent (the parent's values are read through each pair's LEFT).
  virtual Level DeleteSecondary(const Links& links, KeyDeclaration* key,
                                std::uint8_t action);
  // Kills the file manager, then releases the relations.
  virtual void Kill();
  // Logical open (and first use) of the file and of every related file,
  // each once.
  virtual Level Open();
  // Copies the current linking values into each pair's BUFFER.
  virtual void SaveLinks();
  // Sends "QUICKSCAN=on" or "=off" to the file; with `propagate` also to
  // related files (1: relations without HISKEY, 2: with HISKEY, any other
  // value: all), each once.
  virtual void SetQuickScan(bool on, int propagate = 0);
  // Writes the changed record with referential integrity.
  virtual Level Update(bool from_form = false);
  // Applies an update action to this file's records that link to a parent
  // whose linking values changed (old values in each pair's BUFFER).
  virtual Level UpdateSecondary(const Links& links, KeyDeclaration* key,
                                std::uint8_t action);

  void Init(FileManager& file, bool use_logout);
  // Adds a relation to `related`; `links` pairs this file's field numbers
  // with the related file's.
  void AddRelation(RelationManager& related, std::uint8_t update_mode,
                   std::uint8_t delete_mode, KeyDeclaration* his_key,
                   const std::vector<std::pair<int, int>>& links);

  FileManager* ME = nullptr;
  std::unique_ptr<std::vector<Relation>> RELATIONS;
  RelationManager* ALIASFILE = nullptr;
  std::uint8_t USELOGOUT = 0;
  std::int32_t LASTTOUCHED = 0;  // visit mark of the relation walks

 private:
  // Opens this manager's file and, through the relations, every file not
  // yet visited with `mark`; each manager opened is added to `opened`.
  Level OpenVisit(std::int32_t mark, std::vector<RelationManager*>& opened);
  void CloseVisit(std::int32_t mark);
  Level DeleteOnce();
  // Reads the records of this file whose linking fields equal `values`
  // (through `key`) and calls `act` on each; stops at the first failure.
  template <typename Act>
  Level WalkLinked(const Links& links, KeyDeclaration* key,
                   const std::vector<std::vector<std::uint8_t>>& values,
                   Act act);
  // Every file the relation graph reaches from here, each once.
  std::vector<FileDeclaration*> ReachableFiles();
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_RELATION_MANAGER_H_
