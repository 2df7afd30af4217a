/* Another user's squatter on one-instance sockets: makes a folder open to everybody and listens
   on each socket path, answering "ok" to whatever comes ("answer") or never answering
   ("silent"). Prints "ready" once it listens; runs until killed.
     squatter answer|silent <folder> <socket path>... */
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    struct pollfd fds[8];
    int count = 0;
    mkdir(argv[2], 0777);
    chmod(argv[2], 0777);
    for (int i = 3; i < argc && count < 8; ++i, ++count) {
        struct sockaddr_un address = {.sun_family = AF_UNIX};
        strncpy(address.sun_path, argv[i], sizeof address.sun_path - 1);
        unlink(argv[i]);
        fds[count] = (struct pollfd){.fd = socket(AF_UNIX, SOCK_STREAM, 0), .events = POLLIN};
        if (bind(fds[count].fd, (struct sockaddr*)&address, sizeof address) != 0 ||
            listen(fds[count].fd, 16) != 0)
            return 4;
        chmod(argv[i], 0777);
    }
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        poll(fds, (nfds_t)count, -1);
        for (int i = 0; i < count; ++i) {
            const int client = (fds[i].revents & POLLIN) ? accept(fds[i].fd, NULL, NULL) : -1;
            if (client >= 0 && strcmp(argv[1], "answer") == 0) { /* silent: left open, unanswered */
                char request[64];
                (void)!read(client, request, sizeof request);
                (void)!write(client, "ok\n", 3);
                close(client);
            }
        }
    }
}
