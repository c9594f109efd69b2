#pragma once
// Destinations for a response body. The client writes received bytes straight into the
// destination's own storage where it offers some (WritePointer/Commit), otherwise through Write.
#include "net/IdLimits.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

class TIdStream {
public:
    virtual ~TIdStream() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
    // Announces how many bytes are expected to follow. Only a hint: the announcement comes from
    // the peer and may be wrong or hostile, so a destination reserves at most a bounded amount.
    virtual void ExpectSize(std::int64_t /*size*/) {}
    // Room for `size` more bytes at the end, or nullptr when the destination has none to offer.
    virtual char* WritePointer(std::size_t /*size*/) { return nullptr; }
    // After WritePointer: how many of those bytes were filled.
    virtual void Commit(std::size_t /*used*/) {}
};

// Appends to a caller's string. It offers no storage of its own: a string would zero-fill
// whatever room a receive asks for.
class TIdStringStream : public TIdStream {
public:
    explicit TIdStringStream(std::string& target) : target_(target) {}
    void Write(const char* data, std::size_t size) override { target_.append(data, size); }
    void ExpectSize(std::int64_t size) override;

private:
    std::string& target_;
};

// A growable block of memory that never zero-fills what it is about to receive. Large blocks
// live in their own mapping on huge pages where the system offers them, and grow by moving
// page tables rather than bytes.
class TIdMemoryStream : public TIdStream {
public:
    TIdMemoryStream() = default;
    ~TIdMemoryStream() override;
    TIdMemoryStream(const TIdMemoryStream&) = delete;
    TIdMemoryStream& operator=(const TIdMemoryStream&) = delete;

    void Write(const char* data, std::size_t size) override;
    void ExpectSize(std::int64_t size) override;
    char* WritePointer(std::size_t size) override;
    void Commit(std::size_t used) override { size_ += used; }

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    void Clear() { size_ = 0; }
    // The bytes as text, copied once; a large text is laid out on huge pages where the system
    // offers them.
    std::string ToString() const;

private:
    void ensure(std::size_t extra);
    void release();
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    // Large blocks are whole pages of their own (mapped), small ones come from the heap.
    bool mapped_ = false;
};

// Writes to a standard output stream.
class TIdOStream : public TIdStream {
public:
    explicit TIdOStream(std::ostream& out) : out_(out) {}
    void Write(const char* data, std::size_t size) override {
        out_.write(data, static_cast<std::streamsize>(size));
    }

private:
    std::ostream& out_;
};
