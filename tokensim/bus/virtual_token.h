#pragma once
// One virtual token plugged into a bus directory as a Unix socket named by
// its device path. Each connection is one open handle of the host.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bus/token_hub.h"
#include "bus/token_variant.h"

namespace tokensim {

class scsi_target;

class virtual_token {
public:
  virtual_token(token_variant variant, std::string serial, std::shared_ptr<command_handler> handler);
  ~virtual_token();
  virtual_token(const virtual_token&) = delete;
  virtual_token& operator=(const virtual_token&) = delete;

  // Creates the socket in `bus_dir` and starts answering; false when the
  // socket cannot be created (the reason in errno).
  bool plug(const std::string& bus_dir);
  // Removes the socket and ends every connection.
  void unplug();
  bool plugged() const { return running_; }
  // True after the socket file was removed by someone else (the serving
  // loop then stops on its own).
  bool removed_externally() const { return removed_; }

  const std::string& path() const { return path_; }
  token_variant variant() const { return variant_; }
  token_hub& hub() { return hub_; }
  // A session for the I/O service (disk-class tokens only).
  std::unique_ptr<scsi_target> open_session();

private:
  void accept_loop();
  bool socket_file_intact() const;

  token_variant variant_;
  std::string path_;
  token_hub hub_;
  std::string socket_file_;
  int listen_fd_ = -1;
  unsigned long socket_inode_ = 0;
  std::atomic<bool> stop_ {false};
  std::atomic<bool> running_ {false};
  std::atomic<bool> removed_ {false};
  std::thread acceptor_;
  std::mutex connections_mutex_;
  struct connection {
    int fd;
    std::thread worker;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void reap_finished_connections();
  std::vector<connection> connections_;
};

}  // namespace tokensim
