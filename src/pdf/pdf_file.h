// A PDF file being written: numbered indirect objects appended to a file as they are
// made, then the cross-reference table and the trailer.
//
// Objects may be written in any order once their number is reserved, so a page can refer
// to a font that is only written when every page has named its glyphs. The file is
// written beside its destination and renamed over it by Commit: a reader never sees half
// a PDF, and a failed run leaves what was there before.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin::pdf {

class PdfFile {
 public:
  // `version` as in the header, e.g. "1.3".
  PdfFile(std::filesystem::path destination, std::string_view version);
  ~PdfFile();  // removes the partial file unless committed
  PdfFile(const PdfFile&) = delete;
  PdfFile& operator=(const PdfFile&) = delete;

  bool Ok() const { return file_ != nullptr && !failed_; }

  int32_t Reserve();
  // Writes object `number` (reserved) whose body is `body`: a dictionary, array or value.
  void Object(int32_t number, std::string_view body);
  // A stream object; `dictionary` holds the keys between << and >> other than /Length.
  // With `compress` the data is deflated and /Filter /FlateDecode added, on a thread of
  // its own while the caller goes on drawing; the file's bytes are the same as if each
  // object were written at once, in the order of the calls.
  void Stream(int32_t number, std::string_view dictionary, std::string_view data,
              bool compress = true);

  // Writes the cross-reference table and the trailer (with `trailerKeys` besides /Size),
  // closes the file and moves it into place. False when anything could not be written.
  bool Commit(std::string_view trailerKeys);

 private:
  // An object waiting for its turn: objects go to the file in the order they were given.
  struct Pending {
    int32_t number = 0;
    bool stream = false;
    bool compress = false;
    std::string text;                 // an object's body, or a stream's dictionary keys
    std::string data;                 // a stream's data when it is not compressed
    std::future<std::string> packed;  // its deflated data when it is
  };
  void Write(std::string_view s);
  void Enqueue(Pending p);
  // Writes the waiting objects in order; with `all`, waits for every compression.
  void Flush(bool all);
  void Put(Pending& p);

  // Compressions running ahead of the file; more would only hold memory.
  static constexpr size_t kMaxPending = 4;
  std::deque<Pending> pending_;

  std::filesystem::path destination_, temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
  uint64_t offset_ = 0;
  std::vector<uint64_t> offsets_;  // by object number - 1; 0 for reserved, not yet written
};

}  // namespace tarvelin::pdf
