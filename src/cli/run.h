/* SPDX-License-Identifier: GPL-2.0-only */
/* The run sequence from the command line to the exit status. */
#ifndef RFPEEK_RUN_H
#define RFPEEK_RUN_H

int rfpeek_main(int argc, char **argv);

#endif
