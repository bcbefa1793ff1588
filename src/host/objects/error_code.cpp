#include "host/objects/error_code.h"

namespace tarvelin {

const char* ErrorCodeName(ErrorCode code) {
  switch (code) {
    case kSuccess:
      return "success";
    case kFailure:
      return "failure";
    case kInvalidArgument:
      return "invalid argument";
    case kNotFound:
      return "not found";
    case kAlreadyExists:
      return "already exists";
    case kUnknownClass:
      return "unknown class";
    case kUnknownImplementation:
      return "unknown implementation";
    case kClassCycle:
      return "class derives from itself";
    case kInterfaceConflict:
      return "interface already on class";
    case kCorruptData:
      return "corrupt data";
    case kSequenceMismatch:
      return "command sequence mismatch";
    case kBusy:
      return "busy";
    case kNothingToUndo:
      return "nothing to undo";
    case kNothingToRedo:
      return "nothing to redo";
    case kUIDSpaceExhausted:
      return "no UID left";
  }
  return "unknown error";
}

}  // namespace tarvelin
