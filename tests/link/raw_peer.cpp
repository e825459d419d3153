// A peer that speaks to a message window byte by byte, for the transport's limits.
//   link_raw_peer send SOCKET HEX [--hold]   connect, write the bytes, with --hold wait until
//                                            standard input ends; then end the writing side
//                                            and print "result N" or "closed"
//   link_raw_peer die SOCKET HEX             connect, write the bytes, end without closing
//   link_raw_peer listen SOCKET COUNT        a listening socket that reads COUNT bytes of the
//                                            first connection and ends without answering
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::vector<char> FromHex(const std::string& hex)
{
    std::vector<char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(char(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

sockaddr_un Address(const char* path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return address;
}

int Connect(const char* path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        std::exit(3);
    }
    return fd;
}

void WriteAll(int fd, const std::vector<char>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const std::string mode = argv[1];
    if (mode == "send" || mode == "die") {
        const int fd = Connect(argv[2]);
        WriteAll(fd, FromHex(argv[3]));
        std::printf("written\n");
        std::fflush(stdout);
        if (mode == "die")
            _exit(0);
        if (argc > 4 && std::strcmp(argv[4], "--hold") == 0) {
            char c;
            while (read(STDIN_FILENO, &c, 1) > 0) {
            }
        }
        // Nothing more comes: the window sees the end of what was written.
        shutdown(fd, SHUT_WR);
        unsigned char result[4];
        size_t have = 0;
        while (have < 4) {
            const ssize_t n = read(fd, result + have, 4 - have);
            if (n <= 0)
                break;
            have += size_t(n);
        }
        if (have == 4)
            std::printf("result %d\n", int(result[0] | result[1] << 8 | result[2] << 16 | unsigned(result[3]) << 24));
        else
            std::printf("closed\n");
        return 0;
    }
    if (mode == "listen") {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = Address(argv[2]);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
            std::perror("listen");
            return 3;
        }
        std::printf("listening\n");
        std::fflush(stdout);
        const int connection = accept(fd, nullptr, nullptr);
        long want = std::atol(argv[3]);
        char buffer[4096];
        while (want > 0) {
            const ssize_t n = read(connection, buffer, size_t(want) < sizeof buffer ? size_t(want) : sizeof buffer);
            if (n <= 0)
                break;
            want -= n;
        }
        std::printf("read\n");
        std::fflush(stdout);
        unlink(argv[2]);
        _exit(0);
    }
    return 2;
}
