// Starts a program as a launcher would, and says when: prints the monotonic clock (milliseconds,
// as Qt's "%{time boot}" prints it) to standard error, then becomes the program by execv. What
// the program logs with that pattern is then measured from its own exec, not from whenever Qt
// first formatted a message.
//
//   stamp PROGRAM [ARGS...]
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: stamp PROGRAM [ARGS...]\n");
        return 2;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Qt prints the milliseconds as a 32-bit count: the same wrap here keeps the two comparable.
    const auto ms = static_cast<unsigned>(static_cast<unsigned long long>(now.tv_sec) * 1000U +
                                          static_cast<unsigned long long>(now.tv_nsec) / 1000000U);
    std::fprintf(stderr, "%6u.%03u exec\n", ms / 1000U, ms % 1000U);
    std::fflush(stderr);
    execv(argv[1], argv + 1);
    std::fprintf(stderr, "stamp: cannot run %s: %s\n", argv[1], std::strerror(errno));
    return 127;
}
