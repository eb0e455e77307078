#pragma once
// The local I/O service: a Unix stream socket that answers the fixed-size
// request messages for the disk-class tokens of this simulator, one request
// per connection.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bus/scsi_target.h"
#include "bus/virtual_token.h"

namespace tokensim {

class io_service {
public:
  // `tokens` lists the tokens the service may reach; it is called from the
  // service's thread and must be safe to call there. A handle keeps its
  // token alive but stops working once the token is no longer listed.
  explicit io_service(std::function<std::vector<std::shared_ptr<virtual_token>>()> tokens);
  ~io_service();
  io_service(const io_service&) = delete;
  io_service& operator=(const io_service&) = delete;

  bool start(const std::string& socket_path);
  void stop();

  // One request message in, its answer out; empty when the fault plan says
  // not to answer. Exposed for tests.
  std::vector<uint8_t> answer(const std::vector<uint8_t>& request);

private:
  struct session {
    std::shared_ptr<virtual_token> token;  // kept alive while the handle is open
    std::unique_ptr<scsi_target> target;
  };
  void serve();
  void serve_one(int fd);
  session* find_session(const std::vector<uint8_t>& request);
  bool scan(std::vector<uint8_t>& m);
  bool open(std::vector<uint8_t>& m);
  bool send(std::vector<uint8_t>& m, session& s);
  bool receive(std::vector<uint8_t>& m, session& s);
  bool transceive(std::vector<uint8_t>& m, session& s);
  bool raw(std::vector<uint8_t>& m, session& s, bool in);

  std::function<std::vector<std::shared_ptr<virtual_token>>()> tokens_;
  std::map<int32_t, session> sessions_;
  int32_t next_handle_ = 1;
  std::string path_;
  int listen_fd_ = -1;
  std::atomic<bool> stop_ {false};
  std::thread thread_;
};

}  // namespace tokensim
