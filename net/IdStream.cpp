#include "net/IdStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#ifndef _WIN32
#include <sys/mman.h>
#endif

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

namespace {
#ifdef _WIN32
// No mappings of its own here: every block comes from the heap and grows by realloc.
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;

// A fresh mapping of `size` bytes (a multiple of kIdHugePageSize) aligned to kIdHugePageSize, or
// nullptr.
char* mapAligned(std::size_t size) {
    void* raw = ::mmap(nullptr, size + kIdHugePageSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    char* start = static_cast<char*>(raw);
    char* aligned = reinterpret_cast<char*>(
        (reinterpret_cast<std::uintptr_t>(start) + kIdHugePageSize - 1) & ~(kIdHugePageSize - 1));
    if (aligned > start)
        ::munmap(start, static_cast<std::size_t>(aligned - start));
    char* end = start + size + kIdHugePageSize;
    if (end > aligned + size)
        ::munmap(aligned + size, static_cast<std::size_t>(end - (aligned + size)));
#ifdef MADV_HUGEPAGE
    ::madvise(aligned, size, MADV_HUGEPAGE);
#endif
    return aligned;
}
#endif
} // namespace

TIdMemoryStream::~TIdMemoryStream() {
    release();
}

void TIdMemoryStream::release() {
    if (data_ == nullptr)
        return;
#ifndef _WIN32
    if (mapped_)
        ::munmap(data_, capacity_);
    else
#endif
        std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    mapped_ = false;
}

void TIdMemoryStream::ensure(std::size_t extra) {
    if (capacity_ - size_ >= extra)
        return;
    if (extra > SIZE_MAX / 2 - size_)
        throw std::bad_alloc();
    const std::size_t wanted = std::max(size_ + extra, capacity_ + capacity_ / 2);
    if (wanted < kIdHugePageSize || !kMapLargeBlocks) {
        void* grown = std::realloc(data_, wanted);
        if (grown == nullptr)
            throw std::bad_alloc();
        data_ = static_cast<char*>(grown);
        capacity_ = wanted;
        return;
    }
#ifndef _WIN32
    const std::size_t rounded = (wanted + kIdHugePageSize - 1) & ~(kIdHugePageSize - 1);
    char* fresh = mapAligned(rounded);
    if (fresh == nullptr)
        throw std::bad_alloc();
    if (mapped_) {
        // Move the pages themselves into the new place.
        void* moved = ::mremap(data_, capacity_, rounded, MREMAP_MAYMOVE | MREMAP_FIXED, fresh);
        if (moved == MAP_FAILED) {
            ::munmap(fresh, rounded);
            throw std::bad_alloc();
        }
    } else {
        if (size_ > 0)
            std::memcpy(fresh, data_, size_);
        std::free(data_);
    }
    data_ = fresh;
    capacity_ = rounded;
    mapped_ = true;
#endif
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

std::string TIdMemoryStream::ToString() const {
    std::string text;
    if (size_ == 0)
        return text;
    text.reserve(size_);
#ifdef MADV_HUGEPAGE
    if (size_ >= 2 * kIdHugePageSize) {
        // The whole huge pages inside the text's fresh block: advice only, the bytes stay.
        const auto first = (reinterpret_cast<std::uintptr_t>(text.data()) + kIdHugePageSize - 1) &
                           ~std::uintptr_t{kIdHugePageSize - 1};
        const auto last = (reinterpret_cast<std::uintptr_t>(text.data()) + size_) &
                          ~std::uintptr_t{kIdHugePageSize - 1};
        if (last > first)
            ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
    text.append(data_, size_);
    return text;
}
