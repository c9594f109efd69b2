// The client reading arbitrary server bytes over several fetches on one client: a peer thread
// on 127.0.0.1 answers the requests with the answers that the input spells out, keeping the
// connection open or closing it as the input says, so that the reuse check, the retry on a
// closed kept connection, the line limit and the block receives are all reached. Any failure
// must come as an exception of the client's family, nothing else.
//
// The input is a script. Text is sent as it stands, except for these two-byte operators:
//   "~>"   ends an answer; the connection stays open after it
//   "~."   ends an answer; the peer closes the connection after sending it
//   "~|"   sends what the answer holds so far, pauses a moment, then goes on
//   "~*"   followed by two bytes n and c: c repeated ((n % 64) + 1) * 1024 times
//   "~~"   one "~"
// The last answer ends at the end of the input and closes. At most 8 answers; a request that
// finds no answer left gets the connection closed. A connection idle for a few milliseconds
// after an answer is closed, as servers do, so a body read until the close ends.
#include "net/IdHTTP.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Answer {
    std::vector<std::string> pieces{std::string()};
    bool close = true;
};

constexpr std::size_t kMaxAnswers = 8;
constexpr std::size_t kMaxScriptBytes = 2u << 20;
constexpr auto kIdleClose = std::chrono::milliseconds(3);
constexpr auto kPiecePause = std::chrono::microseconds(200);

std::vector<Answer> parseScript(const std::uint8_t* data, std::size_t size, std::size_t& total) {
    std::vector<Answer> answers(1);
    total = 0;
    const auto put = [&](const char* bytes, std::size_t n) {
        n = std::min(n, kMaxScriptBytes - total);
        answers.back().pieces.back().append(bytes, n);
        total += n;
    };
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c != '~' || i + 1 >= size) {
            put(&c, 1);
            continue;
        }
        const char op = static_cast<char>(data[++i]);
        if (op == '>' || op == '.') {
            answers.back().close = op == '.';
            if (answers.size() == kMaxAnswers)
                break;
            answers.emplace_back();
        } else if (op == '|') {
            answers.back().pieces.emplace_back();
        } else if (op == '*' && i + 2 < size) {
            const std::size_t count = (data[i + 1] % 64 + 1) * 1024u;
            const std::string run(count, static_cast<char>(data[i + 2]));
            put(run.data(), run.size());
            i += 2;
        } else if (op == '~') {
            put(&op, 1);
        } else {
            put(&c, 1);
            put(&op, 1);
        }
    }
    return answers;
}

// One peer for the whole run; each input installs its script and drops the connections of
// the one before.
class Peer {
public:
    Peer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 64) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0)
            std::abort();
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        std::thread([this] { run(); }).detach();
    }

    int port() const { return port_; }

    // Installs the answers of the next input; returns once the peer has taken them.
    void begin(std::vector<Answer> answers) {
        std::unique_lock<std::mutex> lock(mutex_);
        pending_ = std::move(answers);
        ++generation_;
        const char byte = 1;
        if (::write(wake_[1], &byte, 1) != 1)
            std::abort();
        taken_.wait(lock, [this] { return current_ == generation_; });
    }

private:
    struct Connection {
        int fd;
        std::string received;
        Clock::time_point idleSince;
    };

    void closeAt(std::vector<Connection>& open, std::size_t i) {
        ::close(open[i].fd);
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
    }

    static void sendAll(int fd, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    // Answers one request; false when the connection is to close.
    bool answer(int fd) {
        if (next_ >= answers_.size())
            return false;
        const Answer& a = answers_[next_++];
        for (std::size_t i = 0; i < a.pieces.size(); ++i) {
            if (i > 0)
                std::this_thread::sleep_for(kPiecePause);
            sendAll(fd, a.pieces[i]);
        }
        return !a.close;
    }

    void run() {
        std::vector<Connection> open;
        while (true) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
            for (const Connection& c : open)
                fds.push_back({c.fd, POLLIN, 0});
            const int wait = open.empty() ? -1 : 1;
            if (::poll(fds.data(), fds.size(), wait) < 0)
                continue;
            if (fds[0].revents != 0) {
                char drain[64];
                if (::read(wake_[0], drain, sizeof drain) < 0)
                    std::abort();
                for (const Connection& c : open)
                    ::close(c.fd);
                open.clear();
                std::lock_guard<std::mutex> lock(mutex_);
                answers_ = std::move(pending_);
                next_ = 0;
                current_ = generation_;
                taken_.notify_all();
                continue;
            }
            const auto now = Clock::now();
            // Walk the connections back to front so that closing one keeps the others' places.
            for (std::size_t i = open.size(); i-- > 0;) {
                Connection& c = open[i];
                if (fds[i + 2].revents == 0) {
                    if (now - c.idleSince > kIdleClose)
                        closeAt(open, i);
                    continue;
                }
                char buf[8192];
                const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    closeAt(open, i);
                    continue;
                }
                c.received.append(buf, static_cast<std::size_t>(n));
                bool keep = true;
                for (std::size_t end;
                     keep && (end = c.received.find("\r\n\r\n")) != std::string::npos;) {
                    c.received.erase(0, end + 4);
                    keep = answer(c.fd);
                }
                if (!keep)
                    closeAt(open, i);
                else
                    c.idleSince = Clock::now();
            }
            if (fds[1].revents != 0) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    open.push_back({fd, std::string(), Clock::now()});
            }
        }
    }

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable taken_;
    std::vector<Answer> pending_;
    std::uint64_t generation_ = 0;
    std::uint64_t current_ = 0;
    // Owned by the peer thread.
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Peer peer;
    std::size_t total = 0;
    std::vector<Answer> answers = parseScript(data, size, total);
    const std::size_t fetches = answers.size() + 1;
    peer.begin(std::move(answers));
    const std::string origin = "http://127.0.0.1:" + std::to_string(peer.port());
    // Absolute and relative URLs in turn, so that the current URL carries from fetch to fetch;
    // those that begin with "/" go to the peer's origin.
    const std::string urls[] = {"/", "d/p.html?x=1", "/d/", "../q", "", "/r#f", "s", "/t/u", "v"};
    static_assert(std::size(urls) >= kMaxAnswers + 1);
    {
        TIdHTTP http;
        for (std::size_t i = 0; i < fetches; ++i) {
            const std::string url = urls[i].starts_with("/") ? origin + urls[i] : urls[i];
            try {
                const std::string body = http.Get(url);
                if (body.size() > total)
                    std::abort(); // a body can only hold bytes that came
            } catch (const EIdException&) {
            }
        }
    }
    return 0;
}
