#include "export/ampl.hh"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/rng.hh"

namespace {

struct entry {
  double score;
  std::vector<int> parents;
};

// A cleaned record: every variable with the given numbers of states and its list,
// written worst first as the clean-up leaves it.
io record(const std::vector<int>& states, const std::vector<std::vector<entry>>& lists) {
  io d;
  const int n = int(states.size());
  d.init(n, 0);
  for (int j = 0; j < n; ++j) {
    d.categ[j] = states[j];
    for (const entry& e : lists[j]) {
      matrix<char> family(n, 1, 0);
      family[j] = 1;
      for (int k : e.parents) family[k] = 1;
      d.cache[j].push_back({e.score, family});
    }
  }
  return d;
}

struct run {
  std::string script;
  std::string log;
};

run write(params& p, const io& d) {
  p.outfile = tmpfile();
  rng::seed(7);
  testing::internal::CaptureStderr();
  ampl(p, d, d.n).cplex_tw();
  run r;
  r.log = testing::internal::GetCapturedStderr();
  rewind(p.outfile);
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, p.outfile)) > 0) r.script.append(buffer, got);
  fclose(p.outfile);
  p.outfile = stdout;
  return r;
}

bool has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// Variable 0: the empty set or parent 1; variable 1: only the empty set.
io two_variables() { return record({2, 2}, {{{-3.5, {}}, {-2.25, {1}}}, {{-1.0, {}}}}); }

}  // namespace

TEST(Ampl, WholeScriptWithoutBoundOrSampling) {
  params p;
  const run r = write(p, two_variables());
  const std::string expected =
      "option solver cplexamp;\n"
      "option cplex_options 'timelimit=134217728 mipdisplay=3 mipcuts=0 mipgap=1e-8 clocktype=1 "
      "absmipgap=0 threads=1 parallelmode=-1';\n"
      "param N:=1;\n"
      "var c{i in 0..N}, >= 0, <= N;\n"
      "##var c{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n"
      "param maxobj;\n"
      "let maxobj := -1e100;\n"
      "param bestperfectorder{i in 0..N};\n"
      "param besttoporder{i in 0..N};\n"
      "for{i in 0..N} {\n"
      "  let bestperfectorder[i] := i;\n"
      "  let besttoporder[i] := i;\n"
      "}\n"
      "##//var cc{i in 0..N}, >= 0, <= N;\n"
      "var cc{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n"
      "var s{0..N}, >= 0, <= 1e10;\n"
      "var y0{0..1}, >= 0, <= 1,binary;\n"
      "param besty0{0..1}, >= 0, <= 1,binary;\n"
      "for{i in 0..1} {\n"
      "  let besty0[i] := 0;\n"
      "}\n"
      "let besty0[0] := 1;\n"
      "var y1{0..0}, >= 0, <= 1,binary;\n"
      "param besty1{0..0}, >= 0, <= 1,binary;\n"
      "for{i in 0..0} {\n"
      "  let besty1[i] := 0;\n"
      "}\n"
      "let besty1[0] := 1;\n"
      "maximize obj: -sum{i in 0..N} s[i];\n"
      "#subject to c0{i in 0..N, j in 0..N: i!=j}: cc[i,j] + cc[j,i] = cy[i,j]+cy[j,i];\n"
      "subject to c1{i in 0..N, j in 0..N: i<j}: cc[i,j] = 1 - cc[j,i];\n"
      "subject to c2{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
      "cc[i,j]+cc[j,k]-cc[i,k] <= 1;\n"
      "#subject to c3{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
      "cc[i,j]+cc[j,k]-cc[i,k] <= 4-cy[i,j]-cy[j,i]-cy[j,k]-cy[k,j]-cy[i,k]-cy[k,i];\n"
      "#subject to c4{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
      "cc[i,j]+cc[j,k]+cc[k,i] <= 2;\n"
      "subject to s0s: 1 = sum{i in 0..1} y0[i];\n"
      "subject to s0: s[0]=+3.500000*y0[0]+2.250000*y0[1];\n"
      "subject to s1s: 1 = sum{i in 0..0} y1[i];\n"
      "subject to s1: s[1]=+1.000000*y1[0];\n"
      "subject to c5: y0[1] <= cc[0,1];\n"
      "##//subject to c6: y0[1] <= 1 - (cc[0]-cc[1]+1)/(N+1);\n"
      "solve obj;\n"
      "if obj > maxobj then {\n"
      "  let maxobj := obj;\n"
      "  for{i in 0..N} {\n"
      "    let bestperfectorder[i] := c[i]; ## (sum{j in 0..N: j>0} c[i,j]) + (sum{j in 0..N: j<0} "
      "(1-c[j,i]));\n"
      "    let besttoporder[i] := (sum{j in 0..N: j>0} cc[i,j]) + (sum{j in 0..N: j<0} (1-cc[j,i]));\n"
      "  }\n"
      "for{i in 0..1} {\n"
      "let besty0[i] := y0[i];\n"
      "}\n"
      "for{i in 0..0} {\n"
      "let besty1[i] := y1[i];\n"
      "}\n"
      "}\n"
      "print 'maxobj',maxobj;\n"
      "for{i in 0..N} {\n"
      "  print 'toporder',i,besttoporder[i];\n"
      "}\n"
      "for{i in 0..N} {\n"
      "  print 'elimorder',i,bestperfectorder[i];\n"
      "}\n"
      "for{i in 0..1} {\n"
      "  if besty0[i] > 0.9999 then {\n"
      "    print 'parentnum',0,i;\n"
      "  }\n"
      "}\n"
      "for{i in 0..0} {\n"
      "  if besty1[i] > 0.9999 then {\n"
      "    print 'parentnum',1,i;\n"
      "  }\n"
      "}\n";
  EXPECT_EQ(r.script, expected);
  // Nothing lies on a cycle, so every variable keeps only its best set.
  EXPECT_EQ(r.log,
            "[debug] node 0 has 1 scores in [1(-2.25),1(-2.25)]\n"
            "[debug] node 1 has 1 scores in [0(-1),0(-1)]\n");
}

TEST(Ampl, GapOptionsAndSamplingLoop) {
  params p;
  p.mingap = 0.5;
  p.abstarget = 2;
  p.maxseconds = 120;
  p.threads = 3;
  p.ilpapprox = 4;
  const std::string s = write(p, two_variables()).script;
  EXPECT_TRUE(has(s,
                  "option cplex_options 'timelimit=120 mipdisplay=3 mipcuts=0 mipgap=0.500000 "
                  "clocktype=1 absmipgap=2.000000 threads=3 parallelmode=-1';\nparam N:=1;\n"
                  "param c{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\nparam perfectorder{i in 0..N};\n"
                  "param toporder{i in 0..N};\nparam v1, integer;\nparam v2, integer;\n"
                  "param v3, integer;\nfor{i in 0..N} {\n  let perfectorder[i] := i;\n"
                  "  let toporder[i] := i;\n}\nparam maxobj;\n"));
  EXPECT_TRUE(has(s, "}\nparam cc{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\nvar s{0..N}"));
  // No order block: the arc constraints start at c0.
  EXPECT_TRUE(has(s, "*y1[0];\nsubject to c0: y0[1] <= cc[0,1];\n##//subject to c1: "));
  EXPECT_FALSE(has(s, "var c{"));
  EXPECT_FALSE(has(s, "var cc{"));
  EXPECT_TRUE(has(s, ";\nfor{step in 0..4} {\nfor{i in 0..N} {\n  let v1 := round(Uniform(-0.4999,N+0.4999));\n"));
  EXPECT_TRUE(has(s, "      let c[i,j] := 1;\n    }\n  }\n}\nsolve obj;\n"));
  EXPECT_TRUE(has(s, "let besty1[i] := y1[i];\n}\n}\n}\nprint 'maxobj',maxobj;\n"));
  // Only the absolute target set still selects the formatted line.
  p.mingap = 0;
  p.abstarget = 0.001;
  EXPECT_TRUE(has(write(p, two_variables()).script, "mipgap=0.000000 clocktype=1 absmipgap=0.001000"));
}

TEST(Ampl, TreewidthBoundWithOrderVariables) {
  // Variable 0 with parents {1, 2}: the co-parent edge 1-2 is written once (G > E).
  const io d = record({2, 2, 2}, {{{-5, {}}, {-4, {1, 2}}}, {{-1, {}}}, {{-2, {}}}});
  params p;
  p.maxtreewidth = 2;
  const std::string s = write(p, d).script;
  EXPECT_TRUE(has(s,
                  "param N:=2;\nparam card{0..N};\nlet card[0] := 2;\nlet card[1] := 2;\n"
                  "let card[2] := 2;\nvar cy{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n"
                  "var c{i in 0..N}, >= 0, <= N;\n"));
  EXPECT_TRUE(has(s, "var s{0..N}, >= 0, <= 1e10;\nvar tw >= 0, <= 0.693197179310;\nvar y0{0..1}"));
  EXPECT_TRUE(has(s,
                  "maximize obj: -sum{i in 0..N} s[i];\nsubject to cTW{i in 0..N}: tw >= log(card[i]) "
                  "+ sum{j in 0..N: i != j} log(card[j])*cy[i,j];\n"
                  "##subject to c0{i in 0..N, j in 0..N: i<j}: c[i,j] = 1 - c[j,i];\n"
                  "##subject to c1{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
                  "c[i,j]+c[j,k]-c[i,k] <= 1;\n#subject to c2{"));
  EXPECT_TRUE(has(s,
                  "subject to c7{i in 0..N, j in 0..N: i != j}: cy[i,j] <= 1 - (c[i]-c[j]+1)/(N+1);\n"
                  "##subject to c8{i in 0..N, j in 0..N: i != j}: cy[i,j] <= c[i,j];\n"
                  "##subject to c9{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
                  "c[j,k]+cy[i,j]+cy[i,k]-cy[j,k] <= 2;\n"
                  "subject to c10{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
                  "cy[i,j]+cy[i,k]-(cy[j,k]+cy[k,j]) <= 1;\nsubject to s0s:"));
  EXPECT_TRUE(has(s,
                  "*y2[0];\n"
                  "subject to c11: y0[1] <= cc[0,1];\n"
                  "##//subject to c12: y0[1] <= 1 - (cc[0]-cc[1]+1)/(N+1);\n"
                  "##subject to c13: (1-y0[1]) + cy[0,1] >= c[0,1];\n"
                  "##subject to c14: (1-y0[1]) + cy[1,0] >= c[1,0];\n"
                  "subject to c15: y0[1] <= cy[0,1] + cy[1,0];\n"
                  "##subject to c16: (1-y0[1]) + cy[1,2] >= c[1,2];\n"
                  "subject to c17: y0[1] <= cy[1,2] + cy[2,1];\n"
                  "subject to c18: y0[1] <= cc[0,2];\n"
                  "##//subject to c19: y0[1] <= 1 - (cc[0]-cc[2]+1)/(N+1);\n"
                  "##subject to c20: (1-y0[1]) + cy[0,2] >= c[0,2];\n"
                  "##subject to c21: (1-y0[1]) + cy[2,0] >= c[2,0];\n"
                  "subject to c22: y0[1] <= cy[0,2] + cy[2,0];\n"
                  "##subject to c23: (1-y0[1]) + cy[2,1] >= c[2,1];\n"
                  "solve obj;\n"));
  const std::string tail =
      "    print 'parentnum',2,i;\n  }\n}\nprintf 'treewidth %.1f\\n',exp(tw);\n"
      "##printf 'constrtreewidth %.1f\\n',cTW;\n";
  EXPECT_EQ(s.substr(s.size() - tail.size()), tail);
}

TEST(Ampl, TreewidthBoundWithSampledOrders) {
  params p;
  p.maxtreewidth = 2;
  p.ilpapprox = 1;
  const std::string s = write(p, two_variables()).script;
  EXPECT_TRUE(has(s, "cy[k,j]) <= 1;\nsubject to s0s:"));
  EXPECT_TRUE(has(s, "subject to c0{i in 0..N, j in 0..N: i != j}: cy[i,j] <= 1 - (c[i]-c[j]+1)/(N+1);\n"));
  EXPECT_TRUE(has(s, "*y1[0];\nsubject to c4: y0[1] <= cc[0,1];\n"));
  EXPECT_FALSE(has(s, "c[i,j] = 1 - c[j,i]"));
  EXPECT_FALSE(has(s, "cc[i,j] = 1 - cc[j,i]"));
}

TEST(Ampl, BoundThatCannotBindWritesNoTreewidthPart) {
  // Two binary variables have 4 joint states: ln 4 does not exceed ln 4.
  params p;
  p.maxtreewidth = 4;
  const std::string s = write(p, two_variables()).script;
  for (const char* piece : {"card", "var cy", "var tw", "cTW", "treewidth"}) EXPECT_FALSE(has(s, piece)) << piece;
  p.maxtreewidth = 3.99;
  EXPECT_TRUE(has(write(p, two_variables()).script, "var tw >= 0, <= 1.383816"));
}

namespace {
// Best sets close a 4-cycle 3 -> 0 -> 1 -> 2 -> 3, a 2-cycle 4 <-> 5 and a 3-cycle
// 6 -> 7 -> 8 -> 6; each variable's other entry is the empty set. With two entries a
// random choice always takes the best one, so the candidates do not depend on the draws.
io cycles_record() {
  const std::vector<int> best = {3, 0, 1, 2, 5, 4, 8, 6, 7};
  std::vector<std::vector<entry>> lists;
  for (int j = 0; j < 9; ++j) lists.push_back({{-10.0 - j, {}}, {-1.0 - j, {best[j]}}});
  return record(std::vector<int>(9, 2), lists);
}
}  // namespace

TEST(Ampl, CycleCutsOnlyForFourOrMoreVariables) {
  params p;
  p.cyclecuts = 3;
  const run r = write(p, cycles_record());
  // 5 order constraints, then two numbers for each of the nine one-parent entries.
  EXPECT_TRUE(has(r.script,
                  "##//subject to c22: y8[1] <= 1 - (cc[8]-cc[7]+1)/(N+1);\n"
                  "subject to cas23: 3 >= +(1-c[0,1]) +(1-c[1,2]) +(1-c[2,3]) +c[0,3];\nsolve obj;\n"));
  EXPECT_EQ(r.script.find("subject to cas"), r.script.rfind("subject to cas"));
  // Every variable lies on a cycle of the union of its sets and keeps both entries.
  EXPECT_TRUE(has(r.log, "[debug] node 0 has 2 scores in [0(-10),1(-1)]\n"));
  EXPECT_TRUE(has(r.log, "[debug] node 8 has 2 scores in [0(-18),1(-9)]\n"));

  p.cyclecuts = 0;
  const run none = write(p, cycles_record());
  EXPECT_FALSE(has(none.script, "cas"));
  EXPECT_EQ(none.log, r.log);
}

TEST(Ampl, CandidateCyclesCollectEveryLength) {
  params p;
  p.cyclecuts = 2;
  const io d = cycles_record();
  testing::internal::CaptureStderr();
  const cycleset q = ampl(p, d, d.n).cyclecandidates();
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(q.size(), 3u);
  std::vector<int> lengths;
  for (const auto& c : q) lengths.push_back(c.n);
  EXPECT_EQ(lengths, (std::vector<int>{2, 3, 4}));
  // The largest count finds the same cycles and ends: its sampling is bounded and its
  // stopping test does not overflow.
  p.cyclecuts = INT_MAX;
  testing::internal::CaptureStderr();
  EXPECT_EQ(ampl(p, d, d.n).cyclecandidates().size(), q.size());
  testing::internal::GetCapturedStderr();
  p.cyclecuts = 0;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(ampl(p, d, d.n).cyclecandidates().empty());
  EXPECT_TRUE(has(testing::internal::GetCapturedStderr(), "[debug] node 8 has 2 scores"));
}
