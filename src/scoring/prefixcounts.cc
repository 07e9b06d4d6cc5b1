#include "scoring/prefixcounts.hh"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace {

// Tables of at most this many cells are counted in four interleaved banks (as in
// score::densescore: groups in order often hit one cell one after another, and each
// addition would wait for the one before).
constexpr size_t bankedcells = 2048;

constexpr int block = columnstore::block;

// A level keeps the values of its groups when they take at most this many bytes.
constexpr size_t keptvalues = size_t(1) << 22;

// One block of cells rank * wide + a * mid + v * r + c. Fixed-length loops over
// restrict pointers are what the compiler vectorises at -O2 (its cheapest cost model
// takes no loop that needs a remainder or an overlap test).
template <typename K>
void blockcells(const uint16_t* __restrict rank, const uint8_t* __restrict a,
                const uint8_t* __restrict v, const uint8_t* __restrict c, K wide, K mid, K r,
                K* __restrict out) {
  for (int x = 0; x < block; ++x) out[x] = K(rank[x] * wide + a[x] * mid + v[x] * r + c[x]);
}

// One block of keys rank * states + value.
void blockkeys(const uint16_t* __restrict rank, const uint8_t* __restrict value,
               uint32_t states, uint32_t* __restrict out) {
  for (int x = 0; x < block; ++x) out[x] = rank[x] * states + value[x];
}

// Four banks in one array, `stride` cells apart: stride = 16 more than a multiple of 64
// keeps every two banks' same cells from sharing their address bits below 4 KiB, which
// the store-to-load logic takes for a dependence (measured on this machine's AMD EPYC:
// banks exactly 4 or 8 KiB apart counted 10% slower than 64 bytes off). The same holds
// for score::densescore.
template <typename K>
void histogram(const K* key, const uint32_t* weight, int rows, size_t cells,
               uint32_t* table, std::vector<uint32_t>& banks) {
  if (cells > bankedcells) {
    for (int x = 0; x < rows; ++x) table[key[x]] += weight[x];
    return;
  }
  const size_t stride = (cells + 63) / 64 * 64 + 16;
  if (banks.size() < 4 * stride) banks.assign(4 * stride, 0);
  uint32_t* h0 = banks.data();
  uint32_t* h1 = h0 + stride;
  uint32_t* h2 = h1 + stride;
  uint32_t* h3 = h2 + stride;
  int x = 0;
  for (; x + 4 <= rows; x += 4) {
    h0[key[x]] += weight[x];
    h1[key[x + 1]] += weight[x + 1];
    h2[key[x + 2]] += weight[x + 2];
    h3[key[x + 3]] += weight[x + 3];
  }
  for (; x < rows; ++x) h0[key[x]] += weight[x];
  for (size_t e = 0; e < cells; ++e) {
    table[e] += h0[e] + h1[e] + h2[e] + h3[e];
    h0[e] = h1[e] = h2[e] = h3[e] = 0;
  }
}

// Stable counting sort of the row numbers in order by the byte column col.
void sortby(const uint8_t* col, std::vector<uint32_t>& order, std::vector<uint32_t>& next) {
  uint32_t bucket[257] = {};
  for (uint32_t t : order) ++bucket[col[t] + 1];
  for (int b = 1; b < 257; ++b) bucket[b] += bucket[b - 1];
  for (uint32_t t : order) next[bucket[col[t]]++] = t;
  order.swap(next);
}

}  // namespace

// Sorts the records by every variable (least significant digit first), then keeps one
// row per run of identical records with the run's length as its weight.
bool prefixcounts::bind(const columnstore& columns, int records) {
  bound_ = false;
  vars = columns.vars;
  std::vector<uint32_t> order(static_cast<size_t>(records)), next(order.size());
  std::iota(order.begin(), order.end(), 0u);
  for (int v = 0; v < vars; ++v) sortby(columns.bytecolumn(v), order, next);
  std::vector<uint32_t> first, runs;
  for (int x = 0; x < records; ++x) {
    const uint32_t t = order[size_t(x)];
    bool same = x > 0;
    for (int v = 0; same && v < vars; ++v)
      same = columns.bytecolumn(v)[t] == columns.bytecolumn(v)[order[size_t(x) - 1]];
    if (same) {
      ++runs.back();
    } else {
      first.push_back(t);
      runs.push_back(1);
    }
  }
  count = int(first.size());
  if (count > most) return false;
  bytes.assign(size_t(count) * size_t(vars), 0);
  for (int v = 0; v < vars; ++v)
    for (int x = 0; x < count; ++x)
      bytes[size_t(v) * size_t(count) + size_t(x)] = columns.bytecolumn(v)[first[size_t(x)]];
  weight = runs;
  child = -1;
  xlogxs.resize(std::min(size_t(records), size_t(1) << 16) + 1);
  xlogxs[0] = 0;
  for (size_t k = 1; k < xlogxs.size(); ++k) xlogxs[k] = double(k) * std::log(double(k));
  bound_ = true;
  return true;
}

// Sorts the rows by (x_{n-1}, ..., x_0 without c, then c) and makes the level without
// parents, one group per row. split[x] is the highest variable but c in which row x
// differs from row x-1 (-1 when only c differs; vars at x = 0): the rows x-1 and x lie
// in one class of m unless split[x] > m.
void prefixcounts::sortfor(int c, int r) {
  std::vector<uint32_t> order(static_cast<size_t>(count)), next(order.size());
  std::iota(order.begin(), order.end(), 0u);
  sortby(column(c), order, next);
  for (int v = 0; v < vars; ++v)
    if (v != c) sortby(column(v), order, next);
  moved.resize(bytes.size());
  for (int v = 0; v < vars; ++v)
    for (int x = 0; x < count; ++x)
      moved[size_t(v) * size_t(count) + size_t(x)] = column(v)[order[size_t(x)]];
  bytes.swap(moved);
  for (int x = 0; x < count; ++x) next[size_t(x)] = weight[order[size_t(x)]];
  weight.swap(next);
  split.assign(size_t(count), vars);
  for (int x = 1; x < count; ++x) {
    int v = vars - 1;
    while (v >= 0 && (v == c || column(v)[x] == column(v)[x - 1])) --v;
    split[size_t(x)] = v;
  }
  child = c;
  childstates = r;
  if (levels.empty()) levels.resize(1);
  level& none = levels[0];
  none.observed = 1;
  none.size = count;
  none.grow(size_t(count));
  std::iota(none.first.begin(), none.first.begin() + count, uint16_t(0));
  std::fill(none.rank.begin(), none.rank.begin() + count, 0);
  std::copy(column(c), column(c) + count, none.own.begin());
  std::copy(weight.begin(), weight.end(), none.weight.begin());
  makeroom(none);
  top = 0;
  lastvar = -1;
  laststates = 1;
  ranked = false;
}

// Room for `most` groups, then zero padding to whole blocks after them; forgets the
// kept values.
void prefixcounts::level::grow(size_t most) {
  padded = int((most + block - 1) / block * block);
  const size_t room = size_t(padded);
  if (first.size() < room) {
    first.resize(room);
    rank.resize(room);
    own.resize(room);
    weight.resize(room);
  }
  std::fill(first.begin() + ptrdiff_t(most), first.begin() + padded, 0);
  std::fill(rank.begin() + ptrdiff_t(most), rank.begin() + padded, 0);
  std::fill(own.begin() + ptrdiff_t(most), own.begin() + padded, 0);
  std::fill(weight.begin() + ptrdiff_t(most), weight.begin() + padded, 0);
  boundready = false;
  std::fill(ready.begin(), ready.end(), 0);
}

// Every level up to top is a merged level of the prefix without its last parent; the
// ranks of the whole prefix stay when the prefix does.
void prefixcounts::setparents(int c, int r, const int* vars, const int* states, int many) {
  if (c != child || r != childstates) sortfor(c, r);
  const int below = many > 0 ? many - 1 : 0;
  const int last = many > 0 ? vars[many - 1] : -1;
  const int lastcount = many > 0 ? states[many - 1] : 1;
  int d = 0;
  while (d < below && d < top && levels[size_t(d) + 1].var == vars[d] &&
         levels[size_t(d) + 1].states == states[d])
    ++d;
  ranked = ranked && d == below && top == below && last == lastvar && lastcount == laststates;
  top = d;
  for (; d < below; ++d) push(vars[d], states[d]);
  lastvar = last;
  laststates = lastcount;
}

// The values of variable v per group of a level (any row of a group has them when v is
// above the level's variable), whole blocks; kept in the level when it has room, made
// in `spare` otherwise.
const uint8_t* prefixcounts::valuesof(level& at, int v, std::vector<uint8_t>& spare) {
  const size_t padded = size_t(at.padded);
  uint8_t* out;
  if (at.keeps) {
    out = at.values.data() + size_t(v) * padded;
    if (at.ready[size_t(v)]) return out;
    at.ready[size_t(v)] = 1;
  } else {
    if (spare.size() < padded) spare.resize(padded);
    out = spare.data();
  }
  const uint8_t* col = column(v);
  const uint16_t* first = at.first.data();
  for (size_t x = 0; x < padded; ++x) out[x] = col[first[x]];
  return out;
}

// The level of the prefix plus var (above every parent of it): the keys rank * r_var +
// value that occur, numbered in increasing order, then the groups below merged.
void prefixcounts::push(int var, int states) {
  if (levels.size() < size_t(top) + 2) levels.resize(size_t(top) + 2);
  level& below = levels[size_t(top)];
  level& out = levels[size_t(top) + 1];
  out.var = var;
  out.states = states;
  const size_t padded = size_t(below.padded);
  const uint8_t* value = valuesof(below, var, scratch);
  keys.resize(padded);
  for (size_t x = 0; x < padded; x += block)
    blockkeys(below.rank.data() + x, value + x, uint32_t(states), keys.data() + x);
  out.observed = numberkeys(size_t(below.observed) * size_t(states));
  mergegroups(below, out);
  ++top;
}

// Marks the keys that occur, numbers the marks in increasing order, replaces each key
// by its number.
uint32_t prefixcounts::numberkeys(size_t table) {
  slots.assign(table, 0);
  uint32_t* slot = slots.data();
  const size_t many = size_t(levels[size_t(top)].size);
  uint32_t* key = keys.data();
  for (size_t x = 0; x < many; ++x) slot[key[x]] = 1;
  uint32_t ranks = 0;
  for (size_t e = 0; e < table; ++e) {
    ranks += slot[e];
    slot[e] = slot[e] != 0 ? ranks : 0;
  }
  for (size_t x = 0; x < many; ++x) key[x] = slot[key[x]] - 1;
  return ranks;
}

// The groups below merged where they share the new rank and child value within one
// class of the new level's variable. The groups below come in row order, so a class
// begins at a group whose first row opens a class (row 0 opens every class). No branch:
// a group that joins an earlier one rewrites that one's fields with the values it
// already has (with a branch per group, alarm-cl_10000 BIC variable 5 took 7.0 s
// instead of 5.5 s, in an earlier layout that merged every level).
void prefixcounts::mergegroups(const level& below, level& out) {
  const size_t many = size_t(below.size);
  out.grow(many);
  // latest[rank * r + child value]: the class number (high half) and the group (low
  // half) where it was last seen; class numbers only grow, so older entries never match
  // (they start again from 0 with a cleared table before they would wrap).
  uint64_t* at = stamps(size_t(out.observed) * size_t(childstates), many);
  const uint32_t r = uint32_t(childstates);
  uint16_t* ofirst = out.first.data();
  uint16_t* orank = out.rank.data();
  uint8_t* oown = out.own.data();
  uint32_t* oweight = out.weight.data();
  const uint16_t* first = below.first.data();
  const uint8_t* own = below.own.data();
  const uint32_t* weight = below.weight.data();
  const int* opens = split.data();
  const uint32_t* key = keys.data();
  const int var = out.var;
  uint32_t size = 0, cls = classes;
  uint16_t start = 0;
  int previous = -1;
  for (size_t x = 0; x < many; ++x) {
    const uint16_t f = first[x];
    const uint32_t open = uint32_t(f != previous) & uint32_t(opens[f] > var);
    previous = f;
    cls += open;
    start = uint16_t(start + ((f - start) & -int(open)));
    const uint32_t k = key[x];
    const uint32_t k2 = k * r + own[x];
    const uint64_t seen = at[k2];
    // Each mask is all ones when the group joins an earlier one of its class.
    const uint32_t same = -uint32_t(uint32_t(seen >> 32) == cls);
    const uint32_t to = size + ((uint32_t(seen) - size) & same);
    ofirst[to] = start;
    orank[to] = uint16_t(k);
    oown[to] = own[x];
    oweight[to] = (oweight[to] & same) + weight[x];
    at[k2] = uint64_t(cls) << 32 | to;
    size += 1 + same;
  }
  classes = cls;
  out.size = int(size);
  out.grow(size);
  makeroom(out);
}

// The table `latest` of mergegroups with room for `keys` entries, cleared (and the class
// numbers started again from 0) when `many` more classes could wrap them.
uint64_t* prefixcounts::stamps(size_t keys, size_t many) {
  if (latest.size() < keys) latest.resize(keys, 0);
  if (classes > UINT32_MAX - many - 1) {
    std::fill(latest.begin(), latest.end(), 0);
    classes = 0;
  }
  return latest.data();
}

// Room for the values of every variable when they fit keptvalues.
void prefixcounts::makeroom(level& at) {
  at.keeps = size_t(at.padded) * size_t(vars) <= keptvalues;
  if (!at.keeps) return;
  if (at.values.size() < size_t(at.padded) * size_t(vars))
    at.values.resize(size_t(at.padded) * size_t(vars));
  at.ready.assign(size_t(vars), 0);
}

// Sum over the blocks b (configurations of the level and of every variable above its
// variable but c) of sum_k N_bk ln(N_bk / N_b) = sum_g w_g ln w_g - sum_b N_b ln N_b,
// g over the groups (one per block and child value). A block's groups lie within one
// class, so blocks are numbered per class as in mergegroups.
double prefixcounts::loglikbound() {
  level& at = levels[size_t(top)];
  if (at.boundready) return at.llbound;
  const size_t many = size_t(at.size);
  uint64_t* block = stamps(at.observed, many);
  if (totals.size() < many) totals.resize(many);
  uint32_t* total = totals.data();
  const uint16_t* first = at.first.data();
  const uint16_t* rank = at.rank.data();
  const uint32_t* weight = at.weight.data();
  const int* opens = split.data();
  uint32_t blocks = 0, cls = classes;
  int previous = -1;
  double groupsum = 0;
  for (size_t x = 0; x < many; ++x) {
    const uint16_t f = first[x];
    cls += uint32_t(f != previous) & uint32_t(opens[f] > at.var);
    previous = f;
    const uint64_t seen = block[rank[x]];
    const uint32_t same = -uint32_t(uint32_t(seen >> 32) == cls);
    const uint32_t to = blocks + ((uint32_t(seen) - blocks) & same);
    total[to] = (total[to] & same) + weight[x];
    block[rank[x]] = uint64_t(cls) << 32 | to;
    blocks += 1 + same;
    groupsum += xlogx(weight[x]);
  }
  classes = cls;
  double blocksum = 0;
  for (uint32_t b = 0; b < blocks; ++b) blocksum += xlogx(total[b]);
  at.llbound = groupsum - blocksum;
  at.boundready = true;
  return at.llbound;
}

// Numbers the configurations of the whole prefix that occur (once per prefix): rank *
// r_a + value of a over the groups of level top.
void prefixcounts::rankprefix() {
  if (ranked || lastvar < 0) return;
  level& at = levels[size_t(top)];
  const size_t padded = size_t(at.padded);
  if (toprank.size() < padded) toprank.resize(padded);
  const uint8_t* a = valuesof(at, lastvar, scratch);
  keys.resize(padded);
  for (size_t x = 0; x < padded; x += block)
    blockkeys(at.rank.data() + x, a + x, uint32_t(laststates), keys.data() + x);
  topobserved = numberkeys(size_t(at.observed) * size_t(laststates));
  std::copy(keys.begin(), keys.begin() + at.size, toprank.begin());
  std::fill(toprank.begin() + at.size, toprank.begin() + ptrdiff_t(padded), 0);
  ranked = true;
}

long prefixcounts::observed() const {
  return ranked ? long(topobserved) : long(levels[size_t(top)].observed) * laststates;
}

// The groups' cells of the family, over whole blocks.
template <typename K>
void prefixcounts::cellkeys(int extra, uint32_t rv, uint32_t r, K* out) {
  level& at = levels[size_t(top)];
  const size_t padded = size_t(at.padded);
  if (zeros.size() < padded) zeros.resize(padded, 0);
  const bool whole = ranked || lastvar < 0;
  const uint16_t* rank = ranked ? toprank.data() : at.rank.data();
  const uint8_t* a = whole ? zeros.data() : valuesof(at, lastvar, scratch);
  const uint8_t* v = valuesof(at, extra, scratch2);
  const uint32_t mid = rv * r, wide = uint32_t(whole ? 1 : laststates) * mid;
  for (size_t x = 0; x < padded; x += block)
    blockcells<K>(rank + x, a + x, v + x, at.own.data() + x, K(wide), K(mid), K(r), out + x);
}

void prefixcounts::fill(int extra, uint32_t rv, uint32_t r, uint32_t* table) {
  const size_t cells = size_t(observed()) * rv * r;
  const level& at = levels[size_t(top)];
  if (cells <= size_t(most)) {
    keys16.resize(size_t(at.padded));
    cellkeys(extra, rv, r, keys16.data());
    histogram(keys16.data(), at.weight.data(), at.size, cells, table, banks);
  } else {
    keys.resize(size_t(at.padded));
    cellkeys(extra, rv, r, keys.data());
    histogram(keys.data(), at.weight.data(), at.size, cells, table, banks);
  }
}

// Least-significant-digit radix sort of the cells in 11-bit digits, weights alongside.
void prefixcounts::sortcells(int extra, uint32_t rv, uint32_t r, std::vector<uint32_t>& cells,
                             std::vector<uint32_t>& weights) {
  const level& at = levels[size_t(top)];
  const int many = at.size;
  keys.resize(size_t(at.padded));
  cellkeys(extra, rv, r, keys.data());
  cells.assign(keys.begin(), keys.begin() + many);
  weights.assign(at.weight.begin(), at.weight.begin() + many);
  const uint32_t highest = uint32_t(observed()) * rv * r - 1;
  tocell.resize(size_t(many));
  toweight.resize(size_t(many));
  constexpr int digit = 11;
  constexpr uint32_t mask = (1u << digit) - 1;
  uint32_t bucket[1 << digit];
  for (int shift = 0; shift < 32 && (highest >> shift) != 0; shift += digit) {
    std::fill(bucket, bucket + (1 << digit), 0);
    for (int x = 0; x < many; ++x) ++bucket[(cells[size_t(x)] >> shift) & mask];
    uint32_t at = 0;
    for (uint32_t& slot : bucket) {
      const uint32_t here = slot;
      slot = at;
      at += here;
    }
    for (int x = 0; x < many; ++x) {
      const uint32_t to = bucket[(cells[size_t(x)] >> shift) & mask]++;
      tocell[to] = cells[size_t(x)];
      toweight[to] = weights[size_t(x)];
    }
    cells.swap(tocell);
    weights.swap(toweight);
  }
}
