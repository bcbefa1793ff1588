#include "batch_paginate.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <list>

#include "cli_app.h"

extern char** environ;

namespace tarvelin::cli {

namespace {

namespace fs = std::filesystem;

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStop(int) {
  g_stop = 1;
}

// The handlers of SIGINT and SIGTERM for the batch's lifetime.
class StopSignals {
 public:
  StopSignals() {
    struct sigaction on {};
    on.sa_handler = OnStop;
    sigemptyset(&on.sa_mask);
    sigaction(SIGINT, &on, &oldInt_);
    sigaction(SIGTERM, &on, &oldTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction oldInt_ {
  }, oldTerm_{};
};

// A pipe's read end; the line it is in the middle of and the last whole line it gave.
struct Stream {
  int fd = -1;
  std::string partial;
  std::string last;
};

struct Worker {
  fs::path frame;
  pid_t pid = -1;
  Stream out, err;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Runs `tarvelin paginate OPTIONS -- FRAME` with stdin from /dev/null (a worker never asks),
// stdout and stderr into pipes, in a process group of its own so that a Ctrl-C at the
// terminal reaches only this process, which passes exactly one on.
bool Spawn(Worker& w, const std::vector<std::string>& options, std::string& error) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    ::close(out[0]);
    ::close(out[1]);
    return false;
  }
  std::vector<std::string> words = {"tarvelin", "paginate"};
  words.insert(words.end(), options.begin(), options.end());
  words.push_back("--");
  words.push_back(w.frame.string());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  const int failed =
      posix_spawn(&w.pid, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  ::close(err[1]);
  if (failed != 0) {
    error = std::strerror(failed);
    ::close(out[0]);
    ::close(err[0]);
    return false;
  }
  w.out.fd = out[0];
  w.err.fd = err[0];
  return true;
}

// Reads what is there; whole stderr lines go on at once, tagged with the worker's file.
void Drain(Stream& s, const fs::path& frame, bool passOn) {
  char buffer[4096];
  const ssize_t n = ::read(s.fd, buffer, sizeof buffer);
  if (n <= 0) {
    if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      if (!s.partial.empty()) s.last = s.partial;
      if (passOn && !s.partial.empty())
        std::fprintf(stderr, "[%s] %s\n", frame.string().c_str(), s.partial.c_str());
      s.partial.clear();
      CloseFd(s.fd);
    }
    return;
  }
  s.partial.append(buffer, static_cast<size_t>(n));
  size_t start = 0;
  for (size_t end; (end = s.partial.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = s.partial.substr(start, end - start);
    if (passOn) std::fprintf(stderr, "[%s] %s\n", frame.string().c_str(), line.c_str());
    if (!line.empty()) s.last = std::move(line);
  }
  s.partial.erase(0, start);
  // A line that never ends is kept to a bounded length.
  if (s.partial.size() > 1 << 16) s.partial.erase(0, s.partial.size() - (1 << 16));
}

// The summary line of a finished worker and the exit code it stands for.
// `cancelled`: the batch sent the worker its Ctrl-C.
int Report(const Worker& w, int status, bool cancelled) {
  const std::string& lastStdout = w.out.last;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - w.started).count();
  int code = kUsage;
  std::string what;
  if (WIFEXITED(status)) {
    code = WEXITSTATUS(status);
    what = code == kDone               ? "done"
           : code == kDoneWithWarnings ? "done with warnings"
           : code == kCancelled        ? "cancelled"
                                       : "failed";
    if (code > kCancelled) code = kUsage;
    what += ", exit " + std::to_string(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status) && cancelled && WTERMSIG(status) == SIGINT) {
    // A worker still starting has no handler of its own yet; it had written nothing.
    code = kCancelled;
    what = "cancelled, exit 3";
  } else if (WIFSIGNALED(status)) {
    what = "crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
  }
  std::string detail;
  if (code <= kDoneWithWarnings && lastStdout.starts_with("frames:")) {
    detail = "; " + lastStdout;
  } else if (code > kDoneWithWarnings && !w.err.last.empty()) {
    detail = "; " + w.err.last;
  }
  std::printf("%s: %s, %.1f s%s\n", w.frame.string().c_str(), what.c_str(), seconds,
              detail.c_str());
  std::fflush(stdout);
  return code;
}

}  // namespace

int DefaultJobs() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

int PaginateInWorkers(const std::vector<fs::path>& frames, const std::vector<std::string>& options,
                      int jobs) {
  g_stop = 0;
  StopSignals signals;
  std::deque<fs::path> waiting(frames.begin(), frames.end());
  std::list<Worker> running;
  int worst = kDone;
  bool stopping = false;

  while (!waiting.empty() || !running.empty()) {
    if (g_stop && !stopping) {
      stopping = true;
      for (Worker& w : running) ::kill(w.pid, SIGINT);
      for (const fs::path& f : waiting)
        std::printf("%s: cancelled, not started\n", f.string().c_str());
      if (!waiting.empty()) worst = std::max(worst, int(kCancelled));
      waiting.clear();
    }
    while (!stopping && !waiting.empty() && running.size() < static_cast<size_t>(jobs)) {
      Worker& w = running.emplace_back();
      w.frame = waiting.front();
      waiting.pop_front();
      std::string error;
      if (!Spawn(w, options, error)) {
        std::printf("%s: failed, no worker could be started; %s\n", w.frame.string().c_str(),
                    error.c_str());
        worst = std::max(worst, int(kUsage));
        running.pop_back();
      }
    }

    std::vector<pollfd> fds;
    std::vector<std::pair<Worker*, Stream*>> owners;
    for (Worker& w : running)
      for (Stream* s : {&w.out, &w.err})
        if (s->fd >= 0) {
          fds.push_back({s->fd, POLLIN, 0});
          owners.emplace_back(&w, s);
        }
    if (!fds.empty() && ::poll(fds.data(), fds.size(), 200) > 0) {
      for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents != 0)
          Drain(*owners[i].second, owners[i].first->frame,
                owners[i].second == &owners[i].first->err);
    }

    // Both pipes closed: the worker is ending, and is waited for.
    for (auto it = running.begin(); it != running.end();) {
      if (it->out.fd >= 0 || it->err.fd >= 0) {
        ++it;
        continue;
      }
      int status = 0;
      while (::waitpid(it->pid, &status, 0) < 0 && errno == EINTR) {
      }
      worst = std::max(worst, Report(*it, status, stopping));
      it = running.erase(it);
    }
  }
  return worst;
}

}  // namespace tarvelin::cli
