#include "scoring/columns.hh"

void columnstore::prepare(const matrix<int>& data) {
  source = &data;
  rows = data.n;
  vars = data.m;
  missing.assign(vars, std::vector<int>());
  compact = true;
  const size_t total = size_t(rows) * size_t(vars);
  for (size_t e = 0; e < total; ++e)
    if (data.data[e] >= int(absent)) compact = false;
  for (int j = 0; j < vars; ++j)
    for (int t = 0; t < rows; ++t)
      if (data(t, j) < 0) missing[j].push_back(t);
  bytes.clear();
  if (!compact) return;
  stride = (rows + block - 1) / block * block;
  bytes.assign(size_t(stride) * size_t(vars), 0);
  for (int j = 0; j < vars; ++j)
    for (int t = 0; t < rows; ++t) {
      const int v = data(t, j);
      bytes[size_t(j) * stride + t] = v < 0 ? absent : uint8_t(v);
    }
}
