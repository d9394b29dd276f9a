// SPDX-License-Identifier: MIT
// Timing helper for dialog-latency.sh, on the monotonic clock in milliseconds.
//   damage-watch watch        one line per screen change: "T x y w h" (X damage on the root)
//   damage-watch stamp CMD..  runs CMD, then prints "T" as it returns
//   damage-watch lines        copies stdin, each line prefixed with "T "
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static int watch(void) {
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "damage-watch: no display\n");
        return 1;
    }
    int eventBase = 0, errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        fprintf(stderr, "damage-watch: no DAMAGE extension\n");
        return 1;
    }
    // Raw rectangles: every drawing is reported, not only the first after a reset.
    XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
    XSync(display, False);
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != eventBase + XDamageNotify) continue;
        const XDamageNotifyEvent* d = (const XDamageNotifyEvent*)&event;
        printf("%.1f %d %d %d %d\n", nowMs(), d->area.x, d->area.y, d->area.width, d->area.height);
        fflush(stdout);
    }
}

static int stamp(char** command) {
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    printf("%.1f\n", nowMs());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

static int lines(void) {
    char line[4096];
    while (fgets(line, sizeof line, stdin) != NULL) {
        printf("%.1f %s", nowMs(), line);
        if (strchr(line, '\n') == NULL) putchar('\n');
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "watch") == 0) return watch();
    if (argc >= 3 && strcmp(argv[1], "stamp") == 0) return stamp(argv + 2);
    if (argc >= 2 && strcmp(argv[1], "lines") == 0) return lines();
    fprintf(stderr, "usage: damage-watch watch | stamp COMMAND... | lines\n");
    return 2;
}
