// zantrel-demo-site --root DIR [--port N] [--port-file FILE]
// Serves the files under DIR on 127.0.0.1 until SIGTERM or SIGINT. Port 0 (the default)
// takes a free port; the port bound is printed and, with --port-file, written to FILE.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/demo-site/StaticServer.h"

namespace {

StaticServer* gServer = nullptr;

void onSignal(int) {
    if (gServer != nullptr)
        gServer->stop();
}

int usage() {
    std::cerr << "usage: zantrel-demo-site --root DIR [--port N] [--port-file FILE]\n";
    return 2;
}

// Writes the file whole or not at all, so that a reader never sees half a number.
bool writePortFile(const std::string& path, unsigned port) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << port << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string root;
    std::string portFile;
    long port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[++i];
        if (arg == "--root") {
            root = value;
        } else if (arg == "--port-file") {
            portFile = value;
        } else if (arg == "--port") {
            char* end = nullptr;
            port = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || port < 0 || port > 65535)
                return usage();
        } else {
            return usage();
        }
    }
    if (root.empty())
        return usage();

    try {
        StaticServer server(root);
        const unsigned bound = server.listen(static_cast<std::uint16_t>(port));

        gServer = &server;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        if (!portFile.empty() && !writePortFile(portFile, bound)) {
            std::cerr << "zantrel-demo-site: cannot write " << portFile << ": "
                      << std::strerror(errno) << "\n";
            return 1;
        }
        std::cout << bound << std::endl;
        server.run();
        gServer = nullptr;
    } catch (const std::exception& e) {
        std::cerr << "zantrel-demo-site: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
