/* Port I/O library for Linux with the C ABI of its Windows counterpart. Access is granted
 * by the kernel (iopl) only to root; without it every call below would fault, so the
 * program checks IsInpOutDriverOpen first. */
#include <sys/io.h>

__attribute__((visibility("default"))) int IsInpOutDriverOpen(void) {
    /* Level 3 covers the whole 64 K port space, including the EC's ports above 0x3FF. */
    return iopl(3) == 0 ? 1 : 0;
}

__attribute__((visibility("default"))) void Out32(short port, short data) {
    outb((unsigned char)data, (unsigned short)port);
}

__attribute__((visibility("default"))) short Inp32(short port) {
    return (short)inb((unsigned short)port);
}
