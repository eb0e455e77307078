#include "gbk_text.h"

#include <iconv.h>

namespace parlomin {

namespace {

// Owns one conversion descriptor.
class iconv_handle {
 public:
  iconv_handle(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
  ~iconv_handle() {
    if (valid()) iconv_close(cd_);
  }
  iconv_handle(const iconv_handle &) = delete;
  iconv_handle &operator=(const iconv_handle &) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

bool ucs2be_to_gbk(byte_span ucs2, char *out, size_t capacity, size_t &written) {
  if (ucs2.size % 2 != 0) return false;
  written = 0;
  if (ucs2.empty()) return true;
  // A descriptor per thread: iconv state is not shareable, and opening one
  // per value would dominate the cost of reading a name.
  thread_local iconv_handle converter("GBK", "UCS-2BE");
  if (!converter.valid()) return false;
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  char *in = const_cast<char *>(reinterpret_cast<const char *>(ucs2.data));
  size_t in_left = ucs2.size;
  char *dest = out;
  size_t out_left = capacity;
  if (iconv(converter.get(), &in, &in_left, &dest, &out_left) == static_cast<size_t>(-1))
    return false;
  if (iconv(converter.get(), nullptr, nullptr, &dest, &out_left) == static_cast<size_t>(-1))
    return false;
  written = capacity - out_left;
  return in_left == 0;
}

}  // namespace parlomin
