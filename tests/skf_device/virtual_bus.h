#pragma once
// A private virtual bus served by a tokensim child process, and the process
// settings the library reads (bus folder, lock folder). Create it before the
// library is loaded.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

namespace skf_test {

class virtual_bus {
public:
  virtual_bus() {
    std::string templ = (std::filesystem::temp_directory_path() / "vk-e2e-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp");
    root_ = templ;
    bus_ = root_ + "/bus";
    std::filesystem::create_directory(bus_);
    std::filesystem::permissions(bus_, std::filesystem::perms::owner_all);
    std::filesystem::create_directory(root_ + "/store");
    std::filesystem::create_directory(root_ + "/lock");
    setenv("VELTRAKEY_VBUS", bus_.c_str(), 1);
    setenv("VELTRAKEY_LOCK_DIR", (root_ + "/lock").c_str(), 1);
    start();
  }
  virtual_bus(const virtual_bus&) = delete;
  virtual_bus& operator=(const virtual_bus&) = delete;
  ~virtual_bus() {
    if (to_child_ >= 0) {
      send("quit");
      close(to_child_);
    }
    if (child_ > 0) {
      int status;
      for (int i = 0; i < 50 && waitpid(child_, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      kill(child_, SIGKILL);
      waitpid(child_, &status, 0);
    }
    std::filesystem::remove_all(root_);
  }

  // Plugs an HID token; returns once its socket is on the bus.
  void plug(const std::string& serial, const std::string& faults = "") {
    send("plug hs " + serial + (faults.empty() ? "" : " " + faults));
    wait_for(serial, true);
  }
  void unplug(const std::string& serial) {
    send("unplug " + serial);
    wait_for(serial, false);
  }
  void fault(const std::string& serial, const std::string& faults) {
    send("fault " + serial + " " + faults);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The bus path of a plugged token.
  std::string path_of(const std::string& serial) const {
    for (const auto& entry : std::filesystem::directory_iterator(bus_)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > serial.size() && name.compare(name.size() - serial.size(), serial.size(), serial) == 0 &&
          name[name.size() - serial.size() - 1] == '#')
        return name;
    }
    return {};
  }
  const std::string& directory() const { return bus_; }

private:
  void start() {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe");
    child_ = fork();
    if (child_ == 0) {
      dup2(pipe_fds[0], STDIN_FILENO);
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      if (!getenv("SKF_TEST_TOKENSIM_OUTPUT")) {
        FILE* quiet = freopen("/dev/null", "w", stdout);
        (void)quiet;
      }
      const std::string store = root_ + "/store";
      execl(TOKENSIM_PATH, TOKENSIM_PATH, "--bus", bus_.c_str(), "--store", store.c_str(), nullptr);
      _exit(127);
    }
    close(pipe_fds[0]);
    to_child_ = pipe_fds[1];
  }
  void send(const std::string& line) {
    const std::string text = line + "\n";
    if (write(to_child_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
      throw std::runtime_error("tokensim does not listen");
  }
  void wait_for(const std::string& serial, bool present) {
    for (int i = 0; i < 250; ++i) {
      if (path_of(serial).empty() != present) {
        // Give the endpoint a moment to accept connections.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("tokensim did not " + std::string(present ? "plug " : "unplug ") + serial);
  }

  std::string root_, bus_;
  pid_t child_ = -1;
  int to_child_ = -1;
};

}  // namespace skf_test
