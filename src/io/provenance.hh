// The build record of a per-variable cache file: what the list was built from, so that
// a run assembling the files of separate jobs can refuse one from another data set,
// score or parent limit.
//
// It follows the K entries of X.nodeV.dorv (io/cachelayout.hh), where the layout
// leaves room: the specified reader reads K entries and closes the file, so it never
// sees the record. Little-endian like the rest of the file, 64 bytes:
//   0   8   "bnslprov"
//   8   4   int32 record version, 1
//   12  4   int32 V, the variable whose list the file holds
//   16  4   int32 n, the number of variables
//   20  4   int32 the number of data records used
//   24  8   int64 the size in bytes of the input file and the constraint file, if any
//   32  8   uint64 their FNV-1a 64-bit checksum, in that order
//   40  4   int32 the criterion: 0 BIC, 1 AIC, 2 BDeu
//   44  8   double alpha
//   52  4   int32 globalmaxparents (134217728: no limit)
//   56  4   int32 prunescores (0 or 1)
//   60  4   int32 0, reserved
// A file without a record (written before records existed) is read as before.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class io;
class params;

struct buildrecord {
  int32_t variable = -1;
  int32_t nvars = 0;
  int32_t records = 0;
  int64_t datasize = -1;
  uint64_t checksum = 0;
  int32_t criterion = 0;
  double alpha = 0;
  int32_t maxparents = 0;
  int32_t prune = 0;

  // The record of variable v of the run described by d and p (reads the input file).
  static buildrecord of(const io& d, const params& p, int v);
  void write(FILE* fp) const;
  // After the entries: true with the record read, false at the end of the file; a
  // partial or foreign tail is refused with the file's name.
  bool read(FILE* fp, const std::string& name);
  // Ends the run when the file's record does not fit variable v of this run.
  void checkagainst(const buildrecord& run, int v, const std::string& name) const;
};
