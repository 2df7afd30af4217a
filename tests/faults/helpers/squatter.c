/* Another user's squatter on one-instance sockets: creates a folder open to everybody and
   listens on each socket path, answering "ok" to whatever comes ("answer") or accepting
   and never answering ("silent"). Prints "ready" once it listens; runs until killed.
     squatter answer|silent <folder> <socket path>... */
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    const int answer = strcmp(argv[1], "answer") == 0;
    if (mkdir(argv[2], 0777) != 0 && errno != EEXIST)
        return 3;
    chmod(argv[2], 0777);
    struct pollfd fds[16];
    int count = 0;
    for (int i = 3; i < argc && count < 16; ++i) {
        struct sockaddr_un address;
        memset(&address, 0, sizeof address);
        address.sun_family = AF_UNIX;
        strncpy(address.sun_path, argv[i], sizeof address.sun_path - 1);
        unlink(argv[i]);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || bind(fd, (struct sockaddr*)&address, sizeof address) != 0 ||
            listen(fd, 16) != 0)
            return 4;
        chmod(argv[i], 0777);
        fds[count].fd = fd;
        fds[count].events = POLLIN;
        ++count;
    }
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        if (poll(fds, (nfds_t)count, -1) < 0)
            continue;
        for (int i = 0; i < count; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const int client = accept(fds[i].fd, NULL, NULL);
            if (client < 0 || !answer)
                continue; /* silent: the connection stays open, unanswered */
            char request[64];
            (void)read(client, request, sizeof request);
            (void)write(client, "ok\n", 3);
            close(client);
        }
    }
}
