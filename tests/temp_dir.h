/* SPDX-License-Identifier: GPL-2.0-only */
/* A scratch directory per test, removed with its files. */
#ifndef RFPEEK_TEST_TEMP_DIR_H
#define RFPEEK_TEST_TEMP_DIR_H

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>

struct temp_dir {
	std::string path;

	temp_dir()
	{
		const char *base = getenv("TMPDIR");
		std::string tmpl = std::string(base && *base ? base : "/tmp") + "/rfpeek_test.XXXXXX";
		if (mkdtemp(&tmpl[0]))
			path = tmpl;
	}
	~temp_dir()
	{
		if (path.empty())
			return;
		if (DIR *d = opendir(path.c_str())) {
			while (dirent *e = readdir(d))
				if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
					unlink(file(e->d_name).c_str());
			closedir(d);
		}
		rmdir(path.c_str());
	}
	std::string file(const std::string &name) const { return path + "/" + name; }

	bool write(const std::string &name, const void *data, size_t n) const
	{
		FILE *f = fopen(file(name).c_str(), "wb");
		if (!f)
			return false;
		bool ok = fwrite(data, 1, n, f) == n;
		return fclose(f) == 0 && ok;
	}
	/* Whole file, or "<missing>" if it cannot be opened. */
	std::string read(const std::string &name) const
	{
		FILE *f = fopen(file(name).c_str(), "rb");
		if (!f)
			return "<missing>";
		std::string s;
		char buf[4096];
		size_t n;
		while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
			s.append(buf, n);
		fclose(f);
		return s;
	}
};

#endif
