#include "scoring/prefixcounts.hh"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>

void prefixcounts::level::clear() {
  rep.clear();
  weight.clear();
  rank.clear();
  own.clear();
  split.clear();
}

// Least-significant-digit sort by variable 0 first and the last variable last: records
// agreeing above any threshold end up adjacent. Then one row per run of identical
// records, with the highest variable in which it differs from the row before.
void prefixcounts::bind(const columnstore& columns, int records) {
  source = &columns;
  nvars = columns.vars;
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
  rows.clear();
  rowweight.clear();
  rowsplit.clear();
  for (int x = 0; x < records; ++x) {
    const uint32_t t = order[size_t(x)];
    int differ = nvars;
    if (x > 0) {
      const uint32_t before = order[size_t(x) - 1];
      differ = nvars - 1;
      while (differ >= 0 && columns.bytecolumn(differ)[t] == columns.bytecolumn(differ)[before])
        --differ;
      if (differ < 0) {
        ++rowweight.back();
        continue;
      }
    }
    rows.push_back(t);
    rowweight.push_back(1);
    rowsplit.push_back(differ);
  }
  levels.resize(1);
  childvar = -1;
  top = 0;
}

void prefixcounts::startroot(int child, int r) {
  level& root = levels[0];
  root.clear();
  root.observed = 1;
  const uint8_t* own = source->bytecolumn(child);
  root.rep = rows;
  root.weight = rowweight;
  root.split = rowsplit;
  root.rank.assign(rows.size(), 0);
  root.own.resize(rows.size());
  for (size_t m = 0; m < rows.size(); ++m) root.own[m] = own[rows[m]];
  childvar = child;
  childstates = r;
  top = 0;
}

void prefixcounts::setparents(const int* vars, const int* states, int count, int child, int r) {
  if (child != childvar || r != childstates) startroot(child, r);
  int d = 0;
  while (d < count && d < top && var(d) == vars[d] && this->states(d) == states[d]) ++d;
  top = d;
  for (; d < count; ++d) push(vars[d], states[d]);
}

// The level of the prefix plus var (above every parent of it) from the top level: the
// new ranks number the keys rank * r_v + value that occur; classes merge when they
// share the new rank and the child state within a run of classes that agree on every
// variable above var (a split above var starts a new run). A merged class keeps the
// first one's record, and the split of the next class kept covers those merged away.
void prefixcounts::push(int var, int states) {
  if (levels.size() < size_t(top) + 2) levels.resize(size_t(top) + 2);
  const level& below = levels[size_t(top)];
  level& out = levels[size_t(top) + 1];
  out.clear();
  out.var = var;
  out.states = states;
  const uint8_t* col = source->bytecolumn(var);
  const size_t count = below.rep.size();
  const size_t table = size_t(below.observed) * size_t(states);
  keys.resize(count);
  slots.assign(table, 0);
  for (size_t m = 0; m < count; ++m) {
    keys[m] = below.rank[m] * uint32_t(states) + col[below.rep[m]];
    slots[keys[m]] = 1;
  }
  uint32_t ranks = 0;
  for (uint32_t& s : slots)
    if (s != 0) s = ++ranks;
  out.observed = ranks;
  const size_t cells = size_t(ranks) * size_t(childstates);
  // A run of classes agreeing above var has its own generation of stamps; the stamps
  // are cleared only before the counter could wrap.
  if (stamp.size() < cells || generation > UINT32_MAX - count - 1) {
    stamp.assign(std::max(stamp.size(), cells), 0);
    where.resize(stamp.size());
    generation = 0;
  }
  // Written by index into arrays sized for the worst case, and without a branch on
  // whether a class is new (which is unpredictable): 2.2x faster than appending.
  out.rep.resize(count);
  out.weight.resize(count);
  out.rank.resize(count);
  out.own.resize(count);
  out.split.resize(count);
  uint32_t* rep = out.rep.data();
  uint32_t* weight = out.weight.data();
  uint32_t* rank = out.rank.data();
  uint8_t* own = out.own.data();
  int32_t* split = out.split.data();
  const uint32_t* inrep = below.rep.data();
  const uint32_t* inweight = below.weight.data();
  const uint8_t* inown = below.own.data();
  const int32_t* insplit = below.split.data();
  const uint32_t* slot = slots.data();
  const uint32_t* key = keys.data();
  uint32_t* stamps = stamp.data();
  uint32_t* at = where.data();
  const uint32_t r = uint32_t(childstates);
  uint32_t run = generation;
  size_t kept = 0;
  int32_t pending = -1;
  for (size_t m = 0; m < count; ++m) {
    const int32_t s = insplit[m];
    pending = std::max(pending, s);
    run += s > var;
    const uint32_t k = slot[key[m]] - 1;
    const size_t cell = size_t(k) * r + inown[m];
    const bool fresh = stamps[cell] != run;
    const size_t to = fresh ? kept : at[cell];
    stamps[cell] = run;
    at[cell] = uint32_t(to);
    weight[to] = (fresh ? 0 : weight[to]) + inweight[m];
    rep[kept] = inrep[m];
    rank[kept] = k;
    own[kept] = inown[m];
    split[kept] = pending;
    pending = fresh ? -1 : pending;
    kept += fresh;
  }
  generation = run + 1;
  out.rep.resize(kept);
  out.weight.resize(kept);
  out.rank.resize(kept);
  out.own.resize(kept);
  out.split.resize(kept);
  ++top;
}

void prefixcounts::fill(int extra, uint32_t rv, uint32_t r, uint32_t* table) const {
  const level& at = levels[size_t(top)];
  const uint8_t* col = source->bytecolumn(extra);
  const uint32_t wide = rv * r;
  const size_t count = at.rep.size();
  const uint32_t* rep = at.rep.data();
  const uint32_t* rank = at.rank.data();
  const uint32_t* weight = at.weight.data();
  const uint8_t* own = at.own.data();
  for (size_t m = 0; m < count; ++m) table[rank[m] * wide + col[rep[m]] * r + own[m]] += weight[m];
}

// Least-significant-digit radix sort of the cells in 11-bit digits, weights alongside.
void prefixcounts::sortcells(int extra, uint32_t rv, uint32_t r, std::vector<uint32_t>& cells,
                             std::vector<uint32_t>& weights) {
  const level& at = levels[size_t(top)];
  const uint8_t* col = source->bytecolumn(extra);
  const uint32_t wide = rv * r;
  const size_t count = at.rep.size();
  cells.resize(count);
  weights.resize(count);
  spare.resize(count);
  sparew.resize(count);
  uint32_t highest = 0;
  for (size_t m = 0; m < count; ++m) {
    cells[m] = at.rank[m] * wide + col[at.rep[m]] * r + at.own[m];
    weights[m] = at.weight[m];
    highest = std::max(highest, cells[m]);
  }
  constexpr int digit = 11;
  constexpr uint32_t mask = (1u << digit) - 1;
  uint32_t bucket[1 << digit];
  for (int shift = 0; shift < 32 && (highest >> shift) != 0; shift += digit) {
    std::fill(bucket, bucket + (1 << digit), 0);
    for (size_t m = 0; m < count; ++m) ++bucket[(cells[m] >> shift) & mask];
    uint32_t at_ = 0;
    for (uint32_t& slot : bucket) {
      const uint32_t here = slot;
      slot = at_;
      at_ += here;
    }
    for (size_t m = 0; m < count; ++m) {
      const uint32_t to = bucket[(cells[m] >> shift) & mask]++;
      spare[to] = cells[m];
      sparew[to] = weights[m];
    }
    cells.swap(spare);
    weights.swap(sparew);
  }
}
