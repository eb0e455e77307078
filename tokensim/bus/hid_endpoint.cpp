#include "bus/hid_endpoint.h"

#include <sys/socket.h>

#include <chrono>
#include <deque>

#include "bus/endpoint_io.h"
#include "bus/token_frames.h"
#include "platform/vbus_protocol.h"

namespace tokensim {
namespace vbus = veltrakey::vbus;
namespace {

constexpr size_t long_report = 1093;
constexpr size_t max_request_frame = 23 + 0xFFFF;
// The longest response one long report can carry.
constexpr size_t long_response_room = long_report - 1 - 23;

using steady = std::chrono::steady_clock;

class hid_connection {
public:
  hid_connection(int fd, token_variant variant, token_hub& hub, const std::atomic<bool>& stop)
      : fd_(fd), variant_(variant), hub_(hub), stop_(stop) {}

  void run() {
    bytes message;
    while (receive_message(fd_, &message, stop_)) {
      if (message.empty()) continue;
      bool keep = true;
      switch (message[0]) {
        case vbus::op_hid_lengths: keep = answer_lengths(); break;
        case vbus::op_hid_write: keep = take_report(message); break;
        case vbus::op_hid_feature: keep = answer_feature(message); break;
        default: break;  // not a HID operation: ignored, as a device would
      }
      if (!keep) return;
    }
  }

private:
  bool answer_lengths() {
    const report_lengths l = lengths_of(variant_);
    bytes answer(7, 0);
    answer[0] = vbus::op_hid_lengths;
    vbus::put_le16(&answer[1], uint32_t(l.input));
    vbus::put_le16(&answer[3], uint32_t(l.output));
    vbus::put_le16(&answer[5], uint32_t(l.feature));
    return send_message(fd_, answer);
  }

  bool take_report(const bytes& message) {
    const bytes report(message.begin() + 1, message.end());
    if (variant_ == token_variant::hid_long) {
      if (report.size() != long_report) return true;
      return run_frame(bytes(report.begin() + 1, report.end()));
    }
    if (report.size() != 65) return true;
    const uint8_t control = report[1];
    const size_t n = control & 0x3F;
    if (control & 0x80) assembly_.clear();
    if (n > 63 || assembly_.size() + n > max_request_frame) {
      assembly_.clear();
      return true;
    }
    assembly_.insert(assembly_.end(), report.begin() + 2, report.begin() + 2 + n);
    if (!(control & 0x40)) return true;
    bytes frame;
    frame.swap(assembly_);
    return run_frame(frame);
  }

  bool run_frame(const bytes& frame) {
    const auto request = parse_hid_request(frame);
    if (!request) return true;  // not a frame this token understands: no answer
    bytes response = hub_.run(request->command.data(), request->command.size());
    if (variant_ == token_variant::hid_long && response.size() > long_response_room) response = {0x6F, 0x00};
    const fault_plan plan = hub_.take_fault();
    if (plan.drop) return true;
    if (variant_ == token_variant::hid_ctrl_io) {
      // A polled token is not slow to answer the poll; it just has nothing yet.
      ready_at_ = steady::now() + std::chrono::milliseconds(plan.delay_ms);
      empty_left_ = plan.empty_features;
    } else if (plan.delay_ms && !pause_unless_stopped(plan.delay_ms, stop_)) {
      return false;
    }
    for (unsigned i = 0; i < plan.stale_answers; ++i) {
      if (!deliver(build_hid_answer(stale_sequence(request->sequence), {0x6A, 0x88}, fault_plan()), false))
        return false;
    }
    return deliver(build_hid_answer(request->sequence, response, plan), plan.disconnect);
  }

  // Hanging up mid-transfer sends only the first report of the answer.
  bool deliver(const bytes& frame, bool hang_up) {
    if (variant_ == token_variant::hid_long) {
      if (hang_up) return false;
      bytes message(1 + long_report, 0);
      message[0] = vbus::op_hid_input;
      std::copy(frame.begin(), frame.end(), message.begin() + 2);
      return send_message(fd_, message);
    }
    for (const bytes& report : split_into_reports(frame)) {
      if (variant_ == token_variant::hid_ctrl_io) {
        features_.push_back(report);
      } else {
        bytes message(1, vbus::op_hid_input);
        message.insert(message.end(), report.begin(), report.end());
        if (!send_message(fd_, message)) return false;
      }
      if (hang_up) return false;
    }
    return true;
  }

  bool answer_feature(const bytes& message) {
    if (message.size() != 3) return true;
    const size_t length = vbus::get_le16(&message[1]);
    // Only the token's own feature report can be read.
    if (length != lengths_of(variant_).feature) return send_message(fd_, bytes{vbus::op_hid_feature});
    bytes answer(1 + length, 0);
    answer[0] = vbus::op_hid_feature;
    const bool ready = steady::now() >= ready_at_ && empty_left_ == 0;
    if (empty_left_) --empty_left_;
    if (ready && !features_.empty()) {
      const bytes& report = features_.front();
      std::copy(report.begin(), report.begin() + std::min(report.size(), length), answer.begin() + 1);
      features_.pop_front();
    }
    return send_message(fd_, answer);
  }

  int fd_;
  token_variant variant_;
  token_hub& hub_;
  const std::atomic<bool>& stop_;
  bytes assembly_;
  std::deque<bytes> features_;
  steady::time_point ready_at_ {};
  unsigned empty_left_ = 0;
};

}  // namespace

void serve_hid_connection(int fd, token_variant variant, token_hub& hub, const std::atomic<bool>& stop) {
  hid_connection(fd, variant, hub, stop).run();
}

}  // namespace tokensim
