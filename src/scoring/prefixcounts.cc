#include "scoring/prefixcounts.hh"

#include <algorithm>
#include <numeric>

namespace {

constexpr int block = columnstore::block;

// Tables of at most this many cells are counted in four interleaved banks (as in
// score::densescore: rows in sorted order often hit one cell one after another, and
// each addition would wait for the one before).
constexpr size_t bankedcells = 2048;

// Zero bytes: the child column of a key without a child.
constexpr uint8_t nothing[block] = {};

// One block of keys rank * wide + value * r + child. Fixed-length loops over restrict
// pointers are what the compiler vectorises at -O2 (its cheapest cost model takes no
// loop that needs a remainder or an overlap test); the same loop over all rows stayed
// scalar and took 5 times the instructions.
template <typename K>
void blockkeys(const uint16_t* __restrict rank, const uint8_t* __restrict col,
               const uint8_t* __restrict own, K wide, K r, K* __restrict out) {
  for (int x = 0; x < block; ++x) out[x] = K(rank[x] * wide + col[x] * r + own[x]);
}

// Four banks in one array, `stride` cells apart: stride = 16 more than a multiple of 64
// keeps every two banks' same cells from sharing their address bits below 4 KiB, which
// the store-to-load logic takes for a dependence (measured on this machine's AMD EPYC:
// banks exactly 4 or 8 KiB apart counted 10% slower than 64 bytes off). The same holds
// for score::densescore.
template <typename K>
void histogram(const K* key, const uint32_t* weight, int rows, size_t cells, uint32_t* table,
               std::vector<uint32_t>& banks) {
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

}  // namespace

// Sorts the records by every variable (least significant digit first), then keeps one
// row per run of identical records with the run's length as its weight.
bool prefixcounts::bind(const columnstore& columns, int records) {
  bound_ = false;
  const int nvars = columns.vars;
  std::vector<uint32_t> order(static_cast<size_t>(records)), next(order.size());
  std::iota(order.begin(), order.end(), 0u);
  uint32_t bucket[257];
  for (int v = 0; v < nvars; ++v) {
    const uint8_t* col = columns.bytecolumn(v);
    std::fill(bucket, bucket + 257, 0);
    for (uint32_t t : order) ++bucket[col[t] + 1];
    for (int b = 1; b < 257; ++b) bucket[b] += bucket[b - 1];
    for (uint32_t t : order) next[bucket[col[t]]++] = t;
    order.swap(next);
  }
  std::vector<uint32_t> first, runs;
  for (int x = 0; x < records; ++x) {
    const uint32_t t = order[size_t(x)];
    bool same = x > 0;
    for (int v = 0; same && v < nvars; ++v)
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
  padded = (count + block - 1) / block * block;
  bytes.assign(size_t(padded) * size_t(nvars), 0);
  for (int v = 0; v < nvars; ++v)
    for (int x = 0; x < count; ++x)
      bytes[size_t(v) * size_t(padded) + size_t(x)] = columns.bytecolumn(v)[first[size_t(x)]];
  weight.assign(size_t(padded), 0);
  std::copy(runs.begin(), runs.end(), weight.begin());
  levels.resize(1);
  levels[0].observed = 1;
  levels[0].rank.assign(size_t(padded), 0);
  top = 0;
  bound_ = true;
  return true;
}

void prefixcounts::setparents(const int* vars, const int* states, int many) {
  int d = 0;
  while (d < many && d < top && var(d) == vars[d] && this->states(d) == states[d]) ++d;
  top = d;
  for (; d < many; ++d) push(vars[d], states[d]);
}

// The level of the prefix plus var (above every parent of it): the keys rank * r_var +
// value that occur, numbered in increasing order.
void prefixcounts::push(int var, int states) {
  if (levels.size() < size_t(top) + 2) levels.resize(size_t(top) + 2);
  const level& below = levels[size_t(top)];
  level& out = levels[size_t(top) + 1];
  out.var = var;
  out.states = states;
  out.rank.resize(size_t(padded));
  const uint8_t* col = column(var);
  const uint16_t* rank = below.rank.data();
  const size_t table = size_t(below.observed) * size_t(states);
  if (table <= size_t(most)) {
    keys16.resize(size_t(padded));
    for (int x = 0; x < padded; x += block)
      blockkeys<uint16_t>(rank + x, col + x, nothing, uint16_t(states), 1, keys16.data() + x);
    numberkeys(keys16.data(), table, out);
  } else {
    keys32.resize(size_t(padded));
    for (int x = 0; x < padded; x += block)
      blockkeys<uint32_t>(rank + x, col + x, nothing, uint32_t(states), 1, keys32.data() + x);
    numberkeys(keys32.data(), table, out);
  }
  std::fill(out.rank.begin() + count, out.rank.end(), 0);
  ++top;
}

// Marks the keys that occur, numbers the marks in increasing order, looks them up.
template <typename K>
void prefixcounts::numberkeys(const K* key, size_t table, level& out) {
  slots.assign(table, 0);
  uint32_t* slot = slots.data();
  for (int x = 0; x < count; ++x) slot[key[x]] = 1;
  uint32_t ranks = 0;
  for (size_t e = 0; e < table; ++e) {
    ranks += slot[e];
    slot[e] = slot[e] != 0 ? ranks : 0;
  }
  uint16_t* rank = out.rank.data();
  for (int x = 0; x < count; ++x) rank[x] = uint16_t(slot[key[x]] - 1);
  out.observed = ranks;
}

// The rows' cells of the family, over whole blocks: 16-bit lanes when they fit (the
// baseline vector unit multiplies 16-bit lanes in one instruction), 32 bits otherwise.
void prefixcounts::cellkeys(int extra, uint32_t rv, int c, uint32_t r) {
  const uint16_t* rank = levels[size_t(top)].rank.data();
  const uint8_t* col = column(extra);
  const uint8_t* own = column(c);
  const uint32_t wide = rv * r;
  if (size_t(observed()) * wide <= size_t(most)) {
    keys16.resize(size_t(padded));
    for (int x = 0; x < padded; x += block)
      blockkeys<uint16_t>(rank + x, col + x, own + x, uint16_t(wide), uint16_t(r),
                          keys16.data() + x);
  } else {
    keys32.resize(size_t(padded));
    for (int x = 0; x < padded; x += block)
      blockkeys<uint32_t>(rank + x, col + x, own + x, wide, r, keys32.data() + x);
  }
}

void prefixcounts::fill(int extra, uint32_t rv, int c, uint32_t r, uint32_t* table) {
  cellkeys(extra, rv, c, r);
  const size_t cells = size_t(observed()) * rv * r;
  if (cells <= size_t(most)) histogram(keys16.data(), weight.data(), count, cells, table, banks);
  else histogram(keys32.data(), weight.data(), count, cells, table, banks);
}

// Least-significant-digit radix sort of the cells in 11-bit digits, weights alongside.
void prefixcounts::sortcells(int extra, uint32_t rv, int c, uint32_t r,
                             std::vector<uint32_t>& cells, std::vector<uint32_t>& weights) {
  cellkeys(extra, rv, c, r);
  const bool narrow = size_t(observed()) * rv * r <= size_t(most);
  cells.resize(size_t(count));
  weights.assign(weight.begin(), weight.begin() + count);
  for (int x = 0; x < count; ++x) cells[size_t(x)] = narrow ? keys16[size_t(x)] : keys32[size_t(x)];
  const uint32_t highest = uint32_t(observed()) * rv * r - 1;
  tocell.resize(size_t(count));
  toweight.resize(size_t(count));
  constexpr int digit = 11;
  constexpr uint32_t mask = (1u << digit) - 1;
  uint32_t bucket[1 << digit];
  for (int shift = 0; shift < 32 && (highest >> shift) != 0; shift += digit) {
    std::fill(bucket, bucket + (1 << digit), 0);
    for (int x = 0; x < count; ++x) ++bucket[(cells[size_t(x)] >> shift) & mask];
    uint32_t at = 0;
    for (uint32_t& slot : bucket) {
      const uint32_t here = slot;
      slot = at;
      at += here;
    }
    for (int x = 0; x < count; ++x) {
      const uint32_t to = bucket[(cells[size_t(x)] >> shift) & mask]++;
      tocell[to] = cells[size_t(x)];
      toweight[to] = weights[size_t(x)];
    }
    cells.swap(tocell);
    weights.swap(toweight);
  }
}
