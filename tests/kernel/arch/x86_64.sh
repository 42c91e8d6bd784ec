# SPDX-License-Identifier: GPL-2.0-only
# vm-run's x86_64 guest: Debian's own kernel, booted through its PVH entry,
# and the host's build/rfpeek with its shared libraries. Sourced.

arch_kdir() { echo "$KB_BUILD/$(kb_recorded_release)"; }

arch_default_bin() { echo "$KB_REPO/build/rfpeek"; }
arch_build_bin() {
	cmake -S "$KB_REPO" -B "$KB_REPO/build" -DRFPEEK_WERROR=ON && cmake --build "$KB_REPO/build" --target rfpeek
}

arch_stage_bin() { # FILE DEST: a binary and the shared libraries it links
	cp "$1" "$st$2"
	# A library of a build's own (found through its RUNPATH, maybe under
	# /tmp, which is a fresh tmpfs in the guest) also goes where libc is.
	local libdir
	libdir=$(ldd "$1" | awk '$1 == "libc.so.6" { print $3 }')
	libdir=${libdir%/*}
	ldd "$1" | awk '/=>/ { print $3 } /^\t\// { print $1 }' | while read -r lib; do
		[ -f "$lib" ] || continue
		mkdir -p "$st$(dirname "$lib")"
		cp -L "$lib" "$st$lib"
		case $lib in
		/lib/* | /lib64/* | /usr/*) ;;
		*) mkdir -p "$st$libdir" && cp -L "$lib" "$st$libdir/" ;;
		esac
	done
}

arch_qemu() { # TMP: sets qemu_cmd to boot TMP/initrd with TMP/out.img as the disk
	qemu_cmd=(qemu-system-x86_64
		-accel tcg -M pc -m 512 -smp "${RFPEEK_VM_SMP:-1}"
		-nodefaults -no-user-config -nic none -display none -no-reboot
		-serial "file:$1/console"
		-kernel "$KDIR/vmlinux" -initrd "$1/initrd"
		-append "console=ttyS0 quiet panic=-1 oops=panic"
		-drive "file=$1/out.img,format=raw,if=virtio")
}
