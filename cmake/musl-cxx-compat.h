/* SPDX-License-Identifier: GPL-2.0-only */
/* Forced into every C++ unit of a musl build: the libstdc++ headers on this
 * machine were configured for glibc and test its version with a macro musl
 * does not define. Zero takes their portable paths. */
#ifndef __GLIBC_PREREQ
#define __GLIBC_PREREQ(maj, min) 0
#endif
