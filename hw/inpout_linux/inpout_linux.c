// SPDX-License-Identifier: GPL-3.0-or-later
/* Port I/O library for Linux with the C ABI of its Windows counterpart. Access is granted
 * by the kernel (iopl) only to root; without it every call below would fault, so the
 * program checks IsInpOutDriverOpen first. */
#include <errno.h>
#include <sys/io.h>

static int g_last_errno = -1; /* not asked yet */

__attribute__((visibility("default"))) int IsInpOutDriverOpen(void) {
    /* Level 3 covers the whole 64 K port space, including the EC's ports above 0x3FF. */
    if (iopl(3) == 0) {
        g_last_errno = 0;
        return 1;
    }
    g_last_errno = errno;
    return 0;
}

/* Why the last IsInpOutDriverOpen failed: EPERM (no rights, or a locked-down kernel), ENOSYS
 * (a kernel without iopl); 0 after success, negative before the first call. */
__attribute__((visibility("default"))) int PortAccessErrno(void) { return g_last_errno; }

__attribute__((visibility("default"))) void Out32(short port, short data) {
    outb((unsigned char)data, (unsigned short)port);
}

__attribute__((visibility("default"))) short Inp32(short port) {
    return (short)inb((unsigned short)port);
}
