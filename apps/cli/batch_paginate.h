// Several frame files in one `tarvelin paginate`: each in a worker process of its own (the
// same program, run for that one file), so that one edition's failure or crash cannot harm
// another's, at most `jobs` at once. One summary line per file on stdout, in the order the
// files finish; the workers' stderr lines are passed on, each prefixed with its file.
// Ctrl-C (or SIGTERM) cancels every running worker at its next poll and starts no more;
// a cancelled worker writes nothing, so every file on disk stays as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarvelin::cli {

// `options`: the words every worker gets besides its frame file. Returns the worst exit code
// (a worker that crashed counts as a failure, a file never started as cancelled).
int PaginateInWorkers(const std::vector<std::filesystem::path>& frames,
                      const std::vector<std::string>& options, int jobs);

// The default number of workers: the processors this process may run on.
int DefaultJobs();

}  // namespace tarvelin::cli
