// SPDX-License-Identifier: GPL-2.0-only
/* QEMU TCG plugin: counts the instructions a user-mode guest executes, in
 * all and between markers, the way callgrind's --toggle-collect gives one
 * function alone on x86. A MIPS guest marks a stretch with
 *     ori $zero, $zero, 1      start counting
 *     ori $zero, $zero, 2      stop counting
 * (writes to $zero: no effect, and no compiler emits them). At exit it
 * writes, through QEMU's log (-d plugin -D FILE):
 *     insns <all instructions executed>
 *     marked <instructions from each start marker to its stop marker, summed>
 *     marks <completed start/stop pairs>
 * Usage: qemu-mips -plugin libqemu_insn_count.so -d plugin -D LOG PROGRAM ...
 * Exact for one guest thread (inline counters are not atomic). */
#include <stdio.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

static uint64_t insns;
static uint64_t marked;
static uint64_t marks;
static uint64_t start_at;
static int counting;
static int mips_guest;

enum { mark_start = 1, mark_stop = 2 };

/* ori $zero, $zero, imm: opcode 0x0d, rs = rt = 0 */
static int marker_of(const struct qemu_plugin_insn *insn)
{
	if (!mips_guest || qemu_plugin_insn_size(insn) != 4)
		return 0;
	const unsigned char *b = qemu_plugin_insn_data(insn);
	uint32_t be = (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3];
	uint32_t le = (uint32_t)b[3] << 24 | (uint32_t)b[2] << 16 | (uint32_t)b[1] << 8 | b[0];
	for (int m = mark_start; m <= mark_stop; m++)
		if (be == (0x34000000u | (uint32_t)m) || le == (0x34000000u | (uint32_t)m))
			return m;
	return 0;
}

/* A marker counts itself (it has no inline add, whose order against this
 * callback is QEMU's choice): it is the first instruction of its stretch
 * (start) or the last (stop). */
static void on_marker(unsigned int vcpu, void *udata)
{
	(void)vcpu;
	insns++;
	if ((uintptr_t)udata == mark_start) {
		start_at = insns - 1;
		counting = 1;
	} else if (counting) {
		marked += insns - start_at;
		marks++;
		counting = 0;
	}
}

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb)
{
	(void)id;
	size_t n = qemu_plugin_tb_n_insns(tb);
	for (size_t i = 0; i < n; i++) {
		struct qemu_plugin_insn *insn = qemu_plugin_tb_get_insn(tb, i);
		int m = marker_of(insn);
		if (m)
			qemu_plugin_register_vcpu_insn_exec_cb(insn, on_marker, QEMU_PLUGIN_CB_NO_REGS,
							       (void *)(uintptr_t)m);
		else
			qemu_plugin_register_vcpu_insn_exec_inline(insn, QEMU_PLUGIN_INLINE_ADD_U64,
								   &insns, 1);
	}
}

static void report(qemu_plugin_id_t id, void *udata)
{
	(void)id;
	(void)udata;
	char line[128];
	snprintf(line, sizeof(line), "insns %llu\nmarked %llu\nmarks %llu\n",
		 (unsigned long long)insns, (unsigned long long)marked, (unsigned long long)marks);
	qemu_plugin_outs(line);
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
					   int argc, char **argv)
{
	(void)argv;
	if (argc > 0) {
		fprintf(stderr, "qemu_insn_count: takes no arguments\n");
		return 1;
	}
	mips_guest = strncmp(info->target_name, "mips", 4) == 0;
	qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
	qemu_plugin_register_atexit_cb(id, report, NULL);
	return 0;
}
