#include "host/objects/interface.h"

#include "core/diagnostics.h"
#include "host/objects/database.h"
#include "host/objects/object.h"

namespace tarvelin {

void PersistentImpl::PreDirty() {
  Object* object = Owner();
  if (object == nullptr || object->db_ == nullptr) return;  // a free object: nothing to undo
  if (!object->attached_) {
    // The object was deleted; changing it would alter what undo brings back.
    diag::Printf("PreDirty: UID %u is not in its database any more\n", object->uid_);
    return;
  }
  object->db_->PreDirty(*object, index_);
}

}  // namespace tarvelin
