#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace orbek::test {

// A program run by the benchmarks with its output thrown away, as a
// service's would be (or its standard output kept, to be read as it comes),
// and what it cost when it ended.
class QuietChild {
 public:
  enum class Stdout { Discarded, Kept };

  // `arguments` starts with the program; `environment` adds to (and
  // overrides, by name) this process's own.
  explicit QuietChild(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = {},
                      Stdout output = Stdout::Discarded) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    variables_ = environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
      if (!Overridden(*variable)) variables_.push_back(*variable);
    std::vector<char*> envp;
    for (auto& variable : variables_)
      envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipe[2] = {-1, -1};
    if (output == Stdout::Kept && ::pipe2(pipe, O_CLOEXEC) == 0) {
      posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipe[1] >= 0) ::close(pipe[1]);
    if (pipe[0] >= 0) output_ = ::fdopen(pipe[0], "r");
  }
  ~QuietChild() {
    if (output_ != nullptr) std::fclose(output_);
  }
  QuietChild(const QuietChild&) = delete;
  QuietChild& operator=(const QuietChild&) = delete;

  // The process, until it has been waited for; -1 then.
  pid_t Pid() const { return pid_; }
  // The CPU a process's threads have had so far, by the scheduler's own count in
  // nanoseconds (/proc/PID/task/*/schedstat); -1 when it cannot be read.
  // Threads that ended are not counted: read it while the program works.
  static double ThreadsCpuSeconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* folder = pid > 0 ? ::opendir(tasks.c_str()) : nullptr;
    if (folder == nullptr) return -1;
    unsigned long long total = 0;
    bool read = false;
    for (dirent* entry; (entry = ::readdir(folder)) != nullptr;) {
      if (entry->d_name[0] == '.') continue;
      std::FILE* stat = std::fopen((tasks + "/" + entry->d_name + "/schedstat").c_str(), "r");
      unsigned long long onCpu = 0;
      if (stat != nullptr && std::fscanf(stat, "%llu", &onCpu) == 1) {
        total += onCpu;
        read = true;
      }
      if (stat != nullptr) std::fclose(stat);
    }
    ::closedir(folder);
    return read ? static_cast<double>(total) / 1e9 : -1;
  }

  // Its standard output, with Stdout::Kept.
  std::FILE* Output() const { return output_; }

  // Waits for the end; false when it could not be started or did not end
  // with status 0.
  bool Wait() {
    int status = 0;
    if (pid_ < 0 || ::wait4(pid_, &status, 0, &usage_) != pid_) return false;
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  // Its CPU time (user and system) and its peak resident memory, once ended.
  double CpuSeconds() const { return Seconds(usage_.ru_utime) + Seconds(usage_.ru_stime); }
  double PeakMb() const { return static_cast<double>(usage_.ru_maxrss) / 1024.0; }
  // How often its threads waited and were woken (voluntary switches).
  long Wakeups() const { return usage_.ru_nvcsw; }

 private:
  static double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
  }
  bool Overridden(const std::string& variable) const {
    const std::string name = variable.substr(0, variable.find('=') + 1);
    for (const auto& own : variables_)
      if (own.rfind(name, 0) == 0) return true;
    return false;
  }

  pid_t pid_ = -1;
  std::FILE* output_ = nullptr;
  rusage usage_{};
  std::vector<std::string> variables_;
};

}  // namespace orbek::test
