// Byte strings that hold PINs: move-only, wiped when released.
#pragma once

#include <cstddef>
#include <cstring>
#include <string.h>
#include <utility>
#include <vector>

namespace ravenet {

class SecretBytes {
public:
    SecretBytes() = default;
    SecretBytes(const char *data, std::size_t size) : bytes_(data, data + size) {}
    ~SecretBytes() { wipe(); }

    SecretBytes(SecretBytes &&other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
    SecretBytes &operator=(SecretBytes &&other) noexcept
    {
        if (this != &other) {
            wipe();
            bytes_ = std::move(other.bytes_);
            other.bytes_.clear();
        }
        return *this;
    }
    // Copies would leave unwiped duplicates behind.
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;

    const char *data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    friend bool operator==(const SecretBytes &a, const SecretBytes &b)
    {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
    }

private:
    void wipe()
    {
        if (!bytes_.empty())
            explicit_bzero(bytes_.data(), bytes_.size());
        bytes_.clear();
    }

    std::vector<char> bytes_;
};

} // namespace ravenet
