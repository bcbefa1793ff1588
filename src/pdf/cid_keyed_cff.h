// A CFF font program rewritten as a CID-keyed font whose CIDs are its glyph IDs, so a PDF
// can embed it as FontFile3 /CIDFontType0C under an Identity-H Type0 font (PDF 1.3 on,
// so PDF/X-1a too) and the content streams keep the glyph IDs the layout chose.
//
// The outlines are copied byte for byte; only the tables that say how glyphs are named
// are written anew:
//
//   header | Name INDEX (copied) | Top DICT INDEX (ROS Adobe-Identity-0 first, CIDCount,
//   offsets to what follows, the other keys copied) | String INDEX (copied, "Adobe" and
//   "Identity" appended) | Global Subr INDEX (copied) | charset (format 2: GID = CID) |
//   FDSelect (copied, or format 3 with one font DICT) | CharStrings INDEX (copied) |
//   FDArray INDEX (the font DICTs, Private offsets moved) | Private DICTs with their
//   local Subrs (copied, so their relative Subrs offsets still hold)
//
// A name-keyed font gets one font DICT that holds its Private DICT; a font that is already
// CID-keyed keeps its font DICTs and FDSelect and loses only its own CID order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvelin::pdf {

// Nullopt when `cff` is not a CFF font program this can read (CFF2, several fonts in one
// program, offsets out of bounds).
std::optional<std::string> CidKeyedCff(std::string_view cff);

}  // namespace tarvelin::pdf
