/* A preload library for Wine processes of the test rig: pseudo-terminals
 * answer the modem-line requests as a serial port does.
 *
 * Wine's comm-event wait asks the terminal for its modem lines (TIOCMGET)
 * and gives up at once when the request is refused, which a pseudo-terminal
 * always does. Here TIOCMGET, TIOCMBIS, TIOCMBIC and TIOCMSET on a
 * pseudo-terminal slave succeed: DTR and RTS are remembered per descriptor
 * (and read back), CTS, DSR and CD are reported on, RI off. Nothing reaches
 * the terminal, and every other request and descriptor goes to the system
 * unchanged. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#define MAX_FDS 4096
/* Unix 98 pseudo-terminal slaves have majors 136 to 143. */
#define PTY_SLAVE_MAJOR_FIRST 136
#define PTY_SLAVE_MAJOR_LAST 143

static int (*real_ioctl)(int, unsigned long, ...);
static int lines[MAX_FDS];

static int is_pty_slave(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
  return major(st.st_rdev) >= PTY_SLAVE_MAJOR_FIRST && major(st.st_rdev) <= PTY_SLAVE_MAJOR_LAST;
}

int ioctl(int fd, unsigned long request, ...) {
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  if (real_ioctl == NULL) *(void**)&real_ioctl = dlsym(RTLD_NEXT, "ioctl");

  const int modem = request == TIOCMGET || request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET;
  if (modem && fd >= 0 && fd < MAX_FDS && arg != NULL && is_pty_slave(fd)) {
    int* bits = (int*)arg;
    const int driven = TIOCM_DTR | TIOCM_RTS;
    int now = __atomic_load_n(&lines[fd], __ATOMIC_RELAXED);
    switch (request) {
      case TIOCMGET: *bits = (now & driven) | TIOCM_CTS | TIOCM_DSR | TIOCM_CD; return 0;
      case TIOCMBIS: now |= *bits & driven; break;
      case TIOCMBIC: now &= ~(*bits & driven); break;
      default: now = *bits & driven; break;
    }
    __atomic_store_n(&lines[fd], now, __ATOMIC_RELAXED);
    return 0;
  }
  return real_ioctl(fd, request, arg);
}
