#include "pdf/pdf_file.h"

#include <chrono>
#include <system_error>

#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {

namespace fs = std::filesystem;

PdfFile::PdfFile(fs::path destination, std::string_view version)
    : destination_(std::move(destination)) {
  temp_ = destination_;
  temp_ += ".part";
  file_ = std::fopen(temp_.c_str(), "wb");
  if (!file_) return;
  Write("%PDF-");
  Write(version);
  // Bytes above 127 tell transfer programs that the file is binary.
  Write("\n%\xE2\xE3\xCF\xD3\n");
}

PdfFile::~PdfFile() {
  for (Pending& p : pending_)
    if (p.packed.valid()) p.packed.wait();  // no compression outlives the file
  if (file_) std::fclose(file_);
  if (!committed_) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

void PdfFile::Write(std::string_view s) {
  if (!file_ || failed_) return;
  if (std::fwrite(s.data(), 1, s.size(), file_) != s.size()) failed_ = true;
  offset_ += s.size();
}

int32_t PdfFile::Reserve() {
  offsets_.push_back(0);
  return static_cast<int32_t>(offsets_.size());
}

void PdfFile::Object(int32_t number, std::string_view body) {
  Pending p;
  p.number = number;
  p.text = body;
  Enqueue(std::move(p));
}

void PdfFile::Stream(int32_t number, std::string_view dictionary, std::string_view data,
                     bool compress) {
  Pending p;
  p.number = number;
  p.stream = true;
  p.compress = compress;
  p.text = dictionary;
  if (compress) {
    try {
      p.packed =
          std::async(std::launch::async, [plain = std::string(data)] { return Deflate(plain); });
    } catch (const std::system_error&) {
      // No thread to be had: compressed here, as it was before threads.
      std::promise<std::string> done;
      done.set_value(Deflate(data));
      p.packed = done.get_future();
    }
  } else {
    p.data = data;
  }
  Enqueue(std::move(p));
}

void PdfFile::Enqueue(Pending p) {
  pending_.push_back(std::move(p));
  Flush(false);
  // After a flush the first one waiting is always a compression still running.
  while (pending_.size() > kMaxPending && pending_.front().packed.valid()) {
    pending_.front().packed.wait();
    Flush(false);
  }
}

void PdfFile::Flush(bool all) {
  while (!pending_.empty()) {
    Pending& p = pending_.front();
    if (p.packed.valid() && !all &&
        p.packed.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      return;
    Put(p);
    pending_.pop_front();
  }
}

void PdfFile::Put(Pending& p) {
  if (p.number < 1 || static_cast<size_t>(p.number) > offsets_.size()) {
    failed_ = true;
    return;
  }
  if (!p.stream) {
    offsets_[static_cast<size_t>(p.number) - 1] = offset_;
    Write(std::to_string(p.number));
    Write(" 0 obj\n");
    Write(p.text);
    Write("\nendobj\n");
    return;
  }
  std::string data = p.compress ? p.packed.get() : std::move(p.data);
  if (p.compress && data.empty()) failed_ = true;  // Deflate gives bytes even for nothing
  std::string head = "<<";
  head += p.text;
  if (p.compress) head += " /Filter /FlateDecode";
  head += " /Length " + std::to_string(data.size()) + ">>\nstream\n";
  offsets_[static_cast<size_t>(p.number) - 1] = offset_;
  Write(std::to_string(p.number));
  Write(" 0 obj\n");
  Write(head);
  Write(data);
  Write("\nendstream\nendobj\n");
}

bool PdfFile::Commit(std::string_view trailerKeys) {
  if (!file_) return false;
  Flush(true);
  const uint64_t xref = offset_;
  std::string table = "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
  char line[24];
  for (uint64_t o : offsets_) {
    if (o == 0) failed_ = true;  // a reserved object was never written
    std::snprintf(line, sizeof line, "%010llu 00000 n \n", static_cast<unsigned long long>(o));
    table += line;
  }
  Write(table);
  Write("trailer\n<</Size " + std::to_string(offsets_.size() + 1) + " ");
  Write(trailerKeys);
  Write(">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_) return false;
  std::error_code ec;
  fs::rename(temp_, destination_, ec);
  if (ec) return false;
  committed_ = true;
  return true;
}

}  // namespace tarvelin::pdf
