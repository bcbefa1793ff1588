// Change notices: observers of a database are told once per undo step.
//
// A notice goes out when a command outside any sequence or an outermost sequence ends
// with changes, and when a step is undone or redone; aborted work sends none (the
// database is as it was). The lists are net effects of the step, in ascending UID:
//
//   created   objects that exist after the step and did not before
//   deleted   objects that existed before the step and do not after
//   modified  (UID, interface) for objects that exist on both sides and whose persistent
//             data or undo-recorded state was touched; kInvalidInterface means "changed
//             by a command with its own undo, interface not known"
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/objects/ids.h"
#include "host/objects/uid.h"

namespace tarvelin {

struct ChangeSet {
  enum class Origin { kDo, kUndo, kRedo };
  Origin origin = Origin::kDo;
  std::u16string step_name;
  std::vector<UID> created;
  std::vector<UID> deleted;
  std::vector<std::pair<UID, InterfaceID>> modified;
  // A step of a run that keeps no undo history: its changes are not known, so anything
  // may have changed (the lists are empty).
  bool unknown = false;

  bool Empty() const { return !unknown && created.empty() && deleted.empty() && modified.empty(); }
  bool WasModified(UID uid, InterfaceID iid) const;
};

using ChangeObserver = std::function<void(const ChangeSet&)>;
using ObserverId = uint64_t;

}  // namespace tarvelin
