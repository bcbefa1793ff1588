// Error codes of the host: every operation that can fail returns one; 0 is success.
//
// Code 1 is the generic failure that commands report (the plug-in's commands use it);
// the others name what the host itself found wrong. ErrorCodeName gives a stable
// English name for diagnostics and test messages.
#pragma once

#include <cstdint>

namespace tarvelin {

using ErrorCode = int32_t;

inline constexpr ErrorCode kSuccess = 0;
inline constexpr ErrorCode kFailure = 1;
inline constexpr ErrorCode kInvalidArgument = 2;
inline constexpr ErrorCode kNotFound = 3;
inline constexpr ErrorCode kAlreadyExists = 4;
inline constexpr ErrorCode kUnknownClass = 5;
inline constexpr ErrorCode kUnknownImplementation = 6;
inline constexpr ErrorCode kClassCycle = 7;
inline constexpr ErrorCode kInterfaceConflict = 8;
inline constexpr ErrorCode kCorruptData = 9;
inline constexpr ErrorCode kSequenceMismatch =
    10;                                 // ended or aborted a sequence that is not the innermost
inline constexpr ErrorCode kBusy = 11;  // undo/redo while a step is open, or re-entered
inline constexpr ErrorCode kNothingToUndo = 12;
inline constexpr ErrorCode kNothingToRedo = 13;
inline constexpr ErrorCode kUIDSpaceExhausted = 14;

const char* ErrorCodeName(ErrorCode code);

}  // namespace tarvelin
