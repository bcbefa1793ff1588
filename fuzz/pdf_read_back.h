// A written PDF read back with qpdf: it must parse without a warning, every page's
// content stream and every stream's data included, and hold `pages` pages.
//
// Kept apart from the target because clang 14 cannot compile qpdf's headers as C++20
// with libstdc++ 12 (fuzz/CMakeLists.txt builds this file as C++17 there).
#pragma once

#include <cstddef>
#include <string>

namespace tarvelin::fuzz {

bool PdfReadsCleanly(const std::string& bytes, size_t pages);

}  // namespace tarvelin::fuzz
