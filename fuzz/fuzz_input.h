// Splits a fuzzer's input into the pieces a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace cobalin::fuzzing {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    int32_t I32() { return static_cast<int32_t>(U16() | (static_cast<uint32_t>(U16()) << 16)); }
    // The next n bytes (fewer at the end).
    std::span<const uint8_t> Take(size_t n) {
        const size_t k = n < size_ - pos_ ? n : size_ - pos_;
        std::span<const uint8_t> s(data_ + pos_, k);
        pos_ += k;
        return s;
    }
    std::span<const uint8_t> Rest() { return Take(size_ - pos_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace cobalin::fuzzing
