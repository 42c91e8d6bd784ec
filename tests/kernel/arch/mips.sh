# SPDX-License-Identifier: GPL-2.0-only
# vm-run's MIPS guest: the big-endian malta kernel of mips/setup on a 24Kc
# (no FPU), and a static soft-float rfpeek, as a router runs it. Sourced.

arch_kdir() { cat "$KB_BUILD/mips-current" 2>/dev/null; }

arch_default_bin() { echo "$KB_REPO/build-musl/out/rfpeek-mips-musl-static"; }
arch_build_bin() { "$KB_REPO/cross/build-musl" mips; }

arch_stage_bin() { # FILE DEST: a static big-endian MIPS program, nothing else to copy
	local h
	h=$(LC_ALL=C readelf -h "$1" 2>/dev/null) || kb_die "$1 is not an ELF file"
	grep -q 'big endian' <<<"$h" && grep -q 'MIPS R3000' <<<"$h" ||
		kb_die "$1 is not a big-endian MIPS program"
	! grep -q INTERP <<<"$(LC_ALL=C readelf -l "$1")" || kb_die "$1 is not static: the guest has no loader"
	cp "$1" "$st$2"
}

arch_qemu() { # TMP: sets qemu_cmd to boot TMP/initrd with TMP/out.img as the disk
	# A 24Kc has no multithreading: one CPU only.
	[ "${RFPEEK_VM_SMP:-1}" = 1 ] || kb_die "RFPEEK_VM_SMP: a 24Kc guest has one CPU"
	qemu_cmd=(qemu-system-mips
		-accel tcg -M malta -cpu 24Kc -m 256
		-nodefaults -no-user-config -nic none -display none -no-reboot
		-serial "file:$1/console"
		-kernel "$KDIR/vmlinux" -initrd "$1/initrd"
		-append "console=ttyS0 quiet panic=-1 oops=panic"
		-drive "file=$1/out.img,format=raw,if=virtio")
}
