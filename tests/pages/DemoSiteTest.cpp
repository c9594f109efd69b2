#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "pages/Markers.h"
#include "platform/core/Version.h"
#include "tools/demo-site/StaticServer.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// One client connection with a bounded wait for every answer.
class Client {
public:
    explicit Client(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const timeval limit{20, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }

    void send(const std::string& request) {
        ASSERT_EQ(::send(fd_, request.data(), request.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(request.size()));
    }

    struct Response {
        std::string head;
        std::string body;
        int status = 0;
    };

    // Reads the head of a response only.
    Response receiveHead() {
        Response r;
        std::size_t headEnd;
        while ((headEnd = buffer_.find("\r\n\r\n")) == std::string::npos)
            if (!fill())
                return r;
        r.head = buffer_.substr(0, headEnd + 4);
        buffer_.erase(0, headEnd + 4);
        r.status = std::stoi(r.head.substr(9, 3));
        return r;
    }

    // Reads one response whose length is given by Content-Length.
    Response receive() {
        Response r = receiveHead();
        if (r.status == 0)
            return r;
        const std::size_t at = r.head.find("Content-Length: ");
        const std::size_t length = at == std::string::npos ? 0 : std::stoul(r.head.substr(at + 16));
        while (buffer_.size() < length)
            if (!fill())
                return r;
        r.body = buffer_.substr(0, length);
        buffer_.erase(0, length);
        return r;
    }

    Response get(const std::string& target, const std::string& extra = "") {
        send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n");
        return receive();
    }

    // True when the server has closed the connection and nothing more came.
    bool closedByServer() { return !fill() && buffer_.empty(); }

private:
    bool fill() {
        char chunk[4096];
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        buffer_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    int fd_;
    bool connected_ = false;
    std::string buffer_;
};

class DemoSite : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zantrel-demosite-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        root_ = base_ / "site";
        writeFile(root_ / "index.html", "<html>\xC3\xEB\xE0\xE2\xED\xE0\xFF</html>");
        writeFile(root_ / "films" / "1.html", kFilm);
        writeFile(root_ / "player" / "player.swf", std::string("FWS\0\x01\x02", 6));
        writeFile(base_ / "secret.txt", "secret");
        server_ = std::make_unique<StaticServer>(root_.string());
        port_ = server_->listen(0);
        thread_ = std::thread([this] { server_->run(); });
    }
    void TearDown() override {
        if (server_) {
            server_->stop();
            if (thread_.joinable())
                thread_.join();
        }
        server_.reset();
        fs::remove_all(base_);
    }

    const std::string kFilm = "<meta name=\"description\" content=\"\xCA\xE8\xED\xEE\" />\r\n"
                              "file=http://h/v.flv\n\x98\xFF";
    fs::path base_;
    fs::path root_;
    std::unique_ptr<StaticServer> server_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

TEST_F(DemoSite, ServesFilesUnchangedOnOnePersistentConnection) {
    Client client(port_);
    ASSERT_TRUE(client.connected());
    const auto film = client.get("/films/1.html");
    EXPECT_EQ(film.status, 200);
    EXPECT_EQ(film.body, kFilm);
    EXPECT_NE(film.head.find("Content-Length: " + std::to_string(kFilm.size()) + "\r\n"),
              std::string::npos);

    const auto swf = client.get("/player/player.swf?x=1");
    EXPECT_EQ(swf.status, 200);
    EXPECT_EQ(swf.body, std::string("FWS\0\x01\x02", 6));

    const auto home = client.get("/");
    EXPECT_EQ(home.status, 200);
    EXPECT_EQ(home.body, "<html>\xC3\xEB\xE0\xE2\xED\xE0\xFF</html>");

    // Through a proxy the whole address is named.
    const auto proxied = client.get("http://127.0.0.1:" + std::to_string(port_) + "/films/1.html");
    EXPECT_EQ(proxied.body, kFilm);
}

TEST_F(DemoSite, MissingFileIsNotFoundAndTheConnectionGoesOn) {
    Client client(port_);
    EXPECT_EQ(client.get("/films/2.html").status, 404);
    EXPECT_EQ(client.get("/films").status, 404); // a folder without index.html
    EXPECT_EQ(client.get("/films/1.html").status, 200);
}

TEST_F(DemoSite, NothingOutsideTheRootIsServed) {
    fs::create_directory_symlink(base_, root_ / "up");
    Client client(port_);
    for (const char* target : {"/../secret.txt", "/%2e%2e/secret.txt", "/films/../../secret.txt",
                               "/films/%2E%2E/%2e%2e/secret.txt", "/up/secret.txt",
                               "/..%2fsecret.txt", "/films/1.html%00.txt", "/%zz"}) {
        const auto r = client.get(target);
        EXPECT_NE(r.status, 200) << target;
        EXPECT_EQ(r.body.find("secret"), std::string::npos) << target;
    }
    EXPECT_EQ(client.get("/films/./1.html").status, 200);
}

TEST_F(DemoSite, ConnectionCloseIsHonoured) {
    Client client(port_);
    const auto r = client.get("/films/1.html", "Connection: close\r\n");
    EXPECT_EQ(r.body, kFilm);
    EXPECT_NE(r.head.find("Connection: close"), std::string::npos);
    EXPECT_TRUE(client.closedByServer());
}

TEST_F(DemoSite, HeadHasNoBodyAndOtherMethodsAreRefused) {
    Client client(port_);
    client.send("HEAD /films/1.html HTTP/1.1\r\nHost: x\r\n\r\n");
    const auto head = client.receiveHead();
    EXPECT_EQ(head.status, 200);
    EXPECT_NE(head.head.find("Content-Length: " + std::to_string(kFilm.size())), std::string::npos);

    client.send("POST /films/1.html HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(client.receive().status, 405);
    // Neither a body after HEAD nor the POST's body may get in the way of the next answer.
    const auto get = client.get("/films/1.html");
    EXPECT_EQ(get.status, 200);
    EXPECT_EQ(get.body, kFilm);
}

// The program as the demo command starts it: a free port written to the port file, then
// served until SIGTERM.
TEST_F(DemoSite, ProgramWritesItsPortAndStopsOnTerm) {
    const fs::path portFile = base_ / "port";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(ZANTREL_DEMO_SITE_EXE, ZANTREL_DEMO_SITE_EXE, "--root", root_.c_str(), "--port",
                "0", "--port-file", portFile.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int port = 0;
    for (int i = 0; i < 400 && port == 0; ++i) {
        std::ifstream in(portFile);
        if (!(in >> port))
            ::usleep(50 * 1000);
    }
    ASSERT_GT(port, 0);
    {
        Client client(static_cast<std::uint16_t>(port));
        ASSERT_TRUE(client.connected());
        EXPECT_EQ(client.get("/films/1.html").body, kFilm);
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 400 && ended == 0; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0)
            ::usleep(50 * 1000);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the server did not stop on SIGTERM";
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The demo site the build writes carries the program's own version text as its label, so
// that the program run on it finds itself up to date.
TEST(DemoSitePages, TheHomePageLabelIsTheProgramsOwnVersionText) {
    std::ifstream in(fs::path(ZANTREL_DEMO_SITE_DIR) / "index.html", std::ios::binary);
    ASSERT_TRUE(in) << ZANTREL_DEMO_SITE_DIR;
    const std::string home{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(cut(home, markers::kSiteVersion), kVersionText);
}

} // namespace
