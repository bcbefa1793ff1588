#include "exported_example.h"

#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarvelin::idml::test {

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One folder a test process, removed when it ends.
fs::path Scratch() {
  struct Folder {
    fs::path path;
    Folder() {
      std::string tmpl = (fs::temp_directory_path() / "tarvelin-idml-XXXXXX").string();
      if (const char* made = mkdtemp(tmpl.data())) path = made;
    }
    ~Folder() {
      std::error_code ec;
      if (!path.empty()) fs::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

}  // namespace

CliRun Tarvelin(const std::string& args) {
  const fs::path out = Scratch() / "run.out", err = Scratch() / "run.err";
  std::string cmd = "QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 '" TARVELIN_CLI "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int status = std::system(cmd.c_str());
  CliRun r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

const ExportedExample& Example() {
  static const ExportedExample example = [] {
    ExportedExample e;
    e.folder = Scratch() / "example";
    std::error_code ec;
    fs::create_directories(e.folder, ec);
    for (const auto& f : fs::directory_iterator(TARVELIN_EXAMPLES))
      fs::copy(f.path(), e.folder / f.path().filename(), fs::copy_options::overwrite_existing, ec);
    e.document = e.folder / "ogloszenia.tvd";
    e.package = e.folder / "ogloszenia.idml";
    CliRun paginate = Tarvelin("paginate '" + (e.folder / "ogloszenia.rmk").string() +
                               "' --no-pdf --on-missing continue");
    if (paginate.exitCode > 1) {
      e.error = "paginate: " + paginate.err;
      return e;
    }
    CliRun exported = Tarvelin("export-idml '" + e.document.string() + "'");
    if (exported.exitCode > 1) {
      e.error = "export-idml: " + exported.err;
      return e;
    }
    CliRun dump = Tarvelin("dump '" + e.document.string() + "'");
    if (dump.exitCode != 0) e.error = "dump: " + dump.err;
    e.dump = dump.out;
    return e;
  }();
  return example;
}

}  // namespace tarvelin::idml::test
