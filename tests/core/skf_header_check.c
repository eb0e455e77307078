/* Compiled as C: the public header must not need a C++ compiler. */
#include "skf.h"

ULONG skf_header_check_size(void) { return (ULONG)sizeof(DEVINFO); }
