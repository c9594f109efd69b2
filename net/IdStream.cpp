#include "net/IdStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
std::size_t boundedHint(std::int64_t size) {
    if (size <= 0)
        return 0;
    return static_cast<std::size_t>(std::min<std::int64_t>(size, kIdMaxPreallocation));
}
} // namespace

void TIdStringStream::ExpectSize(std::int64_t size) {
    target_.reserve(target_.size() + boundedHint(size));
}

char* TIdStringStream::WritePointer(std::size_t size) {
    pending_ = target_.size();
    target_.resize(pending_ + size);
    return target_.data() + pending_;
}

void TIdStringStream::Commit(std::size_t used) {
    target_.resize(pending_ + used);
}

TIdMemoryStream::~TIdMemoryStream() {
    std::free(data_);
}

void TIdMemoryStream::ensure(std::size_t extra) {
    if (capacity_ - size_ >= extra)
        return;
    std::size_t wanted = std::max(size_ + extra, capacity_ + capacity_ / 2);
    void* grown = std::realloc(data_, wanted);
    if (grown == nullptr)
        throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    capacity_ = wanted;
}

void TIdMemoryStream::Write(const char* data, std::size_t size) {
    if (size == 0)
        return;
    ensure(size);
    std::memcpy(data_ + size_, data, size);
    size_ += size;
}

void TIdMemoryStream::ExpectSize(std::int64_t size) {
    ensure(boundedHint(size));
}

char* TIdMemoryStream::WritePointer(std::size_t size) {
    ensure(size);
    return data_ + size_;
}
