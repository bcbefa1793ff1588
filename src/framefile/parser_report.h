// Where the frame-file parsers' messages go: into the open import log, which echoes its
// lines to the diagnostics channel itself; without a log the message still reaches the
// developer on the diagnostics channel.
#pragma once

#include <string>
#include <string_view>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/utf16.h"

namespace tarvelin {

inline void ReportParserMessage(std::u16string_view message) {
  if (KInDesignCommon::IsLogOpen()) {
    KInDesignCommon::LogLine(message);
  } else {
    std::string line = ToUtf8(message);
    line.push_back('\n');
    diag::Write(line);
  }
}

}  // namespace tarvelin
