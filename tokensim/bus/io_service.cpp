#include "bus/io_service.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "transport/pipe_message.h"

namespace tokensim {
namespace pipe = veltrakey::pipe;
namespace {

constexpr int poll_ms = 100;
constexpr int read_timeout_ms = 5000;
constexpr uint32_t result_not_found = 2;
constexpr uint32_t result_failed = 1;
const std::array<uint8_t, 12> framed_send = {0xFE, 0x01, 'G', 'M', 'C', 'A', 'P', 'I', 'D', 'F', 'S', 0};
const std::array<uint8_t, 12> framed_receive = {0xFE, 0x02, 'G', 'M', 'C', 'A', 'P', 'I', 'D', 'F', 'S', 0};

bool read_exact(int fd, uint8_t* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    pollfd p {fd, POLLIN, 0};
    if (poll(&p, 1, read_timeout_ms) <= 0) return false;
    const ssize_t n = recv(fd, buffer + done, length - done, 0);
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

std::string field_text(const std::vector<uint8_t>& m, size_t offset, size_t capacity) {
  const char* p = reinterpret_cast<const char*>(&m[offset]);
  return std::string(p, strnlen(p, capacity));
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

}  // namespace

io_service::io_service(std::function<std::vector<std::shared_ptr<virtual_token>>()> tokens) : tokens_(std::move(tokens)) {}

io_service::~io_service() { stop(); }

bool io_service::start(const std::string& socket_path) {
  sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  if (socket_path.size() >= sizeof(addr.sun_path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0) {
    const int err = errno;
    close(fd);
    errno = err;
    return false;
  }
  path_ = socket_path;
  listen_fd_ = fd;
  stop_ = false;
  thread_ = std::thread(&io_service::serve, this);
  return true;
}

void io_service::stop() {
  if (listen_fd_ < 0) return;
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  close(listen_fd_);
  listen_fd_ = -1;
  unlink(path_.c_str());
  sessions_.clear();
}

void io_service::serve() {
  while (!stop_) {
    pollfd p {listen_fd_, POLLIN, 0};
    if (poll(&p, 1, poll_ms) <= 0) continue;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    serve_one(fd);
    close(fd);
  }
}

void io_service::serve_one(int fd) {
  std::vector<uint8_t> request(pipe::message_length);
  if (!read_exact(fd, request.data(), request.size()) || !pipe::has_magic(request.data())) return;
  const uint32_t code = pipe::get32(&request[pipe::code_offset]);
  if (pipe::is_raw(code)) {
    request.resize(pipe::raw_message_length);
    if (!read_exact(fd, request.data() + pipe::message_length, pipe::raw_message_length - pipe::message_length))
      return;
  }
  const std::vector<uint8_t> reply = answer(request);
  if (!reply.empty()) ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

io_service::session* io_service::find_session(const std::vector<uint8_t>& request) {
  const int32_t handle = int32_t(pipe::get32(&request[pipe::handle_offset]));
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return nullptr;
  const auto live = tokens_();
  if (std::find(live.begin(), live.end(), it->second.token) == live.end() || !it->second.token->plugged()) {
    sessions_.erase(it);  // its token was unplugged
    return nullptr;
  }
  return &it->second;
}

std::vector<uint8_t> io_service::answer(const std::vector<uint8_t>& request) {
  std::vector<uint8_t> m = request;
  const uint32_t code = pipe::get32(&m[pipe::code_offset]);
  if (m.size() != pipe::length_of(code)) return {};
  bool answered = true;
  if (code == pipe::scan) {
    answered = scan(m);
  } else if (code == pipe::open) {
    answered = open(m);
  } else if (session* s = find_session(m)) {
    switch (code) {
      case pipe::close:
        sessions_.erase(int32_t(pipe::get32(&m[pipe::handle_offset])));
        pipe::put32(&m[pipe::result_offset], 0);
        break;
      case pipe::send: answered = send(m, *s); break;
      case pipe::receive: answered = receive(m, *s); break;
      case pipe::transceive: answered = transceive(m, *s); break;
      case pipe::raw_send: answered = raw(m, *s, false); break;
      case pipe::raw_receive: answered = raw(m, *s, true); break;
      default: pipe::put32(&m[pipe::result_offset], result_failed); break;
    }
  } else {
    pipe::put32(&m[pipe::result_offset], result_not_found);
  }
  if (!answered) return {};
  return m;
}

bool io_service::scan(std::vector<uint8_t>& m) {
  const std::string pattern = lower(field_text(m, pipe::path_offset, pipe::scan_pattern_capacity));
  std::vector<std::string> found;
  for (const auto& t : tokens_()) {
    if (t->variant() == token_variant::scsi && t->path().find(pattern) != std::string::npos) found.push_back(t->path());
  }
  std::fill(m.begin() + pipe::path_offset, m.end(), 0);
  pipe::put32(&m[pipe::result_offset], uint32_t(found.size()));
  for (size_t i = 0; i < found.size() && i < pipe::scan_max_paths; ++i) {
    const std::string& p = found[i];
    std::memcpy(&m[pipe::scan_paths_offset + i * pipe::scan_path_length], p.data(),
                std::min(p.size(), pipe::scan_path_length - 1));
  }
  return true;
}

bool io_service::open(std::vector<uint8_t>& m) {
  const std::string path = field_text(m, pipe::path_offset, pipe::path_capacity);
  for (const auto& t : tokens_()) {
    if (t->variant() != token_variant::scsi || t->path() != path) continue;
    const int32_t handle = next_handle_++;
    sessions_[handle] = session{t, t->open_session()};
    pipe::put32(&m[pipe::result_offset], 0);
    pipe::put32(&m[pipe::open_handle_offset], uint32_t(handle));
    return true;
  }
  pipe::put32(&m[pipe::result_offset], result_not_found);
  return true;
}

bool io_service::send(std::vector<uint8_t>& m, session& s) {
  const size_t n = pipe::get32(&m[pipe::length_offset]);
  if (n > pipe::data_capacity) {
    pipe::put32(&m[pipe::result_offset], result_failed);
    return true;
  }
  std::vector<uint8_t> frame = {0x12, uint8_t(n >> 8), uint8_t(n)};
  frame.insert(frame.end(), m.begin() + pipe::data_offset, m.begin() + pipe::data_offset + n);
  const scsi_outcome o = s.target->execute(framed_send, false, frame, uint32_t(frame.size()), stop_);
  pipe::put32(&m[pipe::result_offset], o.status == 0 ? 0 : result_failed);
  return o.action == scsi_outcome::answer;
}

// One exchange: the answer may use the whole data area.
bool io_service::transceive(std::vector<uint8_t>& m, session& s) {
  if (!send(m, s)) return false;
  if (pipe::get32(&m[pipe::result_offset]) != 0) return true;
  pipe::put32(&m[pipe::length_offset], uint32_t(pipe::data_capacity));
  return receive(m, s);
}

// The framed answer is checked as the disk transport checks it, and its
// result code passed on: 1 transfer, 2 tag, 3 too short, 4 length.
bool io_service::receive(std::vector<uint8_t>& m, session& s) {
  const size_t capacity = std::min<size_t>(pipe::get32(&m[pipe::length_offset]), pipe::data_capacity);
  const scsi_outcome o = s.target->execute(framed_receive, true, {}, uint32_t(capacity + 3), stop_);
  if (o.action != scsi_outcome::answer) return false;
  std::fill(m.begin() + pipe::length_offset, m.end(), 0);
  uint32_t result = 0;
  size_t length = 0;
  if (o.status != 0 || o.data.empty()) result = 1;
  else if (o.data[0] != 0x12) result = 2;
  else if (o.data.size() <= 4) result = 3;
  else if ((length = size_t(o.data[1]) << 8 | o.data[2]) > o.data.size() - 3) result = 4;
  pipe::put32(&m[pipe::result_offset], result);
  if (result == 0) {
    pipe::put32(&m[pipe::length_offset], uint32_t(length));
    std::copy(o.data.begin() + 3, o.data.begin() + 3 + length, m.begin() + pipe::data_offset);
  }
  return true;
}

bool io_service::raw(std::vector<uint8_t>& m, session& s, bool in) {
  std::array<uint8_t, 12> cdb {};
  cdb[0] = m[pipe::raw_opcode_offset];
  std::copy(m.begin() + pipe::raw_block_offset, m.begin() + pipe::raw_block_offset + pipe::raw_block_bytes,
            cdb.begin() + 1);
  const size_t length = std::min<size_t>(pipe::get32(&m[pipe::raw_length_offset]), pipe::raw_data_capacity);
  std::vector<uint8_t> out;
  if (!in) out.assign(m.begin() + pipe::raw_data_offset, m.begin() + pipe::raw_data_offset + length);
  const scsi_outcome o = s.target->execute(cdb, in, out, uint32_t(length), stop_);
  if (o.action != scsi_outcome::answer) return false;
  pipe::put32(&m[pipe::result_offset], o.status == 0 ? 0 : result_failed);
  pipe::put32(&m[pipe::raw_length_offset], o.count);
  if (in) {
    std::fill(m.begin() + pipe::raw_data_offset, m.end(), 0);
    std::copy(o.data.begin(), o.data.end(), m.begin() + pipe::raw_data_offset);
  }
  return true;
}

}  // namespace tokensim
