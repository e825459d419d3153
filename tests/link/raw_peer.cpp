// A peer that speaks to a message window byte by byte, for the transport's limits.
//   link_raw_peer send SOCKET HEX [--hold] [--fill N] [--uid U]
//        connect, write the bytes (then N bytes 'x'), with --hold wait until standard input
//        ends; then end the writing side and print "result N" or "closed"
//   link_raw_peer die SOCKET HEX             connect, write the bytes, end without closing
//   link_raw_peer listen SOCKET COUNT        a listening socket that reads COUNT bytes of the
//                                            first connection and ends without answering
//   link_raw_peer slow SOCKET MS             a window that takes the first connection's frame,
//                                            answers it 42 after MS milliseconds and ends
//   link_raw_peer mute SOCKET MS [--quit B] [--chat EVERY] [--uid U]
//        a window that takes every frame and never answers, for MS milliseconds; it prints
//        "frame CODE" for each. With --quit, the first frame's sender gets a quit message with
//        the byte B from it meanwhile, as a server that tells a waiting program to quit. With
//        --chat, the first frame's sender gets a message of code 5000 every EVERY milliseconds
//        from then on, as a server that keeps talking and never answers; it prints "chat" for
//        each. It ends early when its standard input ends.
// --uid U: run as that user (only root can), the listener after binding, the sender before
// connecting, so that the other side sees a peer of another user.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace {

std::vector<char> FromHex(const std::string& hex)
{
    std::vector<char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(char(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

sockaddr_un Address(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

void BecomeUser(long uid)
{
    if (uid >= 0 && (setgid(gid_t(uid)) != 0 || setuid(uid_t(uid)) != 0)) {
        std::perror("setuid");
        std::exit(4);
    }
}

int Connect(const std::string& path)
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

void Put32(std::vector<char>& bytes, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(char((value >> (8 * i)) & 0xFF));
}

unsigned Get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | unsigned(p[3]) << 24;
}

long long NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// A message from `from` to the window `to` in the folder of `socketPath`: a zero time stamp and
// the content; its result is read.
void SendMessage(const std::string& socketPath, unsigned from, unsigned to, unsigned code, const std::vector<char>& content)
{
    char name[32];
    std::snprintf(name, sizeof name, "/%08x.sock", to);
    const std::string folder = socketPath.substr(0, socketPath.rfind('/'));
    std::vector<char> frame;
    Put32(frame, 0x004A);
    Put32(frame, from);
    Put32(frame, code);
    Put32(frame, unsigned(8 + content.size()));
    frame.insert(frame.end(), 8, '\0');
    frame.insert(frame.end(), content.begin(), content.end());
    const int fd = Connect(folder + name);
    WriteAll(fd, frame);
    char result[4];
    (void)!read(fd, result, sizeof result);
    close(fd);
}

struct Options
{
    bool hold = false;
    long fill = 0;
    long uid = -1;
    int quit = -1;
    long chat = 0;
};

// One connection to the mute window.
struct Peer
{
    int fd;
    std::vector<unsigned char> bytes;
    bool reported;
};

// Reads what the peer sent; the sender of its frame once the frame is complete, else 0.
unsigned ReadFrame(Peer& peer)
{
    unsigned char buffer[65536];
    const ssize_t n = read(peer.fd, buffer, sizeof buffer);
    if (n <= 0) {
        close(peer.fd); // the sender gave up
        peer.fd = -1;
        return 0;
    }
    peer.bytes.insert(peer.bytes.end(), buffer, buffer + n);
    if (peer.reported || peer.bytes.size() < 16 || peer.bytes.size() < 16 + Get32(&peer.bytes[12]))
        return 0;
    peer.reported = true;
    std::printf("frame %u\n", Get32(&peer.bytes[8]));
    std::fflush(stdout);
    const unsigned sender = Get32(&peer.bytes[4]);
    peer.bytes.clear();
    return sender;
}

int Mute(const std::string& path, long ms, const Options& options)
{
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 3;
    }
    BecomeUser(options.uid);
    if (listen(listener, 16) != 0) {
        std::perror("listen");
        return 3;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    std::vector<Peer> peers;
    const long long end = NowMs() + ms;
    bool quitSent = options.quit < 0;
    unsigned talker = 0; // the first frame's sender
    long long nextChat = end;
    while (NowMs() < end) {
        if (talker != 0 && NowMs() >= nextChat) {
            SendMessage(path, 0x0badf00d, talker, 5000, {'h', 'i'});
            std::printf("chat\n");
            std::fflush(stdout);
            nextChat = NowMs() + options.chat;
        }
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Peer& peer : peers)
            fds.push_back({peer.fd, short(peer.fd < 0 ? 0 : POLLIN), 0});
        fds.push_back({STDIN_FILENO, POLLIN, 0});
        const long long wake = nextChat < end ? nextChat : end;
        if (poll(fds.data(), nfds_t(fds.size()), int(wake > NowMs() ? wake - NowMs() : 0)) <= 0)
            continue;
        // Ends early when its standard input does.
        char c;
        if ((fds.back().revents & (POLLIN | POLLHUP)) && read(STDIN_FILENO, &c, 1) <= 0)
            break;
        fds.pop_back();
        if (fds[0].revents & POLLIN) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd >= 0)
                peers.push_back({fd, {}, false});
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (peers[i - 1].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const unsigned sender = ReadFrame(peers[i - 1]);
            if (sender != 0 && !quitSent) {
                quitSent = true;
                SendMessage(path, 0x0badf00d, sender, 4096, {char(options.quit)});
            }
            if (sender != 0 && options.chat > 0 && talker == 0) {
                talker = sender;
                nextChat = NowMs() + options.chat;
            }
        }
    }
    unlink(path.c_str());
    return 0;
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--hold")
            options.hold = true;
        else if (option == "--fill" && i + 1 < argc)
            options.fill = std::atol(argv[++i]);
        else if (option == "--uid" && i + 1 < argc)
            options.uid = std::atol(argv[++i]);
        else if (option == "--quit" && i + 1 < argc)
            options.quit = std::atoi(argv[++i]);
        else if (option == "--chat" && i + 1 < argc)
            options.chat = std::atol(argv[++i]);
    }
    return options;
}

// Writes the bytes; with die, ends at once; else, after --hold until standard input ends, ends
// its writing side and prints what came back.
int Send(const std::string& path, const std::string& hex, bool die, const Options& options)
{
    BecomeUser(options.uid);
    const int fd = Connect(path);
    std::vector<char> bytes = FromHex(hex);
    bytes.insert(bytes.end(), size_t(options.fill), 'x');
    WriteAll(fd, bytes);
    std::printf("written\n");
    std::fflush(stdout);
    if (die)
        _exit(0);
    if (options.hold) {
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
        std::printf("result %d\n", int(Get32(result)));
    else
        std::printf("closed\n");
    return 0;
}

// Reads count bytes of the first connection and ends without answering.
int Listen(const std::string& path, long count)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        std::perror("listen");
        return 3;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    const int connection = accept(fd, nullptr, nullptr);
    long want = count;
    char buffer[4096];
    while (want > 0) {
        const ssize_t n = read(connection, buffer, size_t(want) < sizeof buffer ? size_t(want) : sizeof buffer);
        if (n <= 0)
            break;
        want -= n;
    }
    std::printf("read\n");
    std::fflush(stdout);
    unlink(path.c_str());
    _exit(0);
}

// Takes one frame, lets the time go by, then answers it.
int Slow(const std::string& path, long ms)
{
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(listener, 4) != 0) {
        std::perror("listen");
        return 3;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    Peer peer{accept(listener, nullptr, nullptr), {}, false};
    while (peer.fd >= 0 && !peer.reported)
        ReadFrame(peer);
    const timespec pause{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause, nullptr);
    const char result[4] = {42, 0, 0, 0};
    if (peer.fd >= 0)
        WriteAll(peer.fd, std::vector<char>(result, result + 4));
    std::printf("answered\n");
    std::fflush(stdout);
    unlink(path.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const std::string mode = argv[1];
    const Options options = ParseOptions(argc, argv);
    if (mode == "send" || mode == "die")
        return Send(argv[2], argv[3], mode == "die", options);
    if (mode == "listen")
        return Listen(argv[2], std::atol(argv[3]));
    if (mode == "mute")
        return Mute(argv[2], std::atol(argv[3]), options);
    if (mode == "slow")
        return Slow(argv[2], std::atol(argv[3]));
    return 2;
}
