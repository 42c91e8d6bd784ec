/* SPDX-License-Identifier: GPL-2.0-only */
/* What the standard output can show: its width and its colours. */
#ifndef RFPEEK_TERMINAL_H
#define RFPEEK_TERMINAL_H

/* TIOCGWINSZ, else $COLUMNS, else 80. */
int terminal_columns(int fd);
/* colours_none when fd is no terminal, NO_COLOR is set or TERM is "dumb";
 * colours_256 when TERM says so; else colours_8. */
int terminal_colours(int fd);

#endif
