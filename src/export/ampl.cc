#include "export/ampl.hh"

#include <cmath>
#include <vector>

// The script in the order AMPL needs it: solver options, declarations, objective,
// constraints, the optional sampling loop around the solve, and the printing of the
// chosen entries. One formatted pass over the cache through the buffered stream.
void ampl::cplex_tw() {
  FILE* out = p.outfile;
  const bool tw = twactive();
  write_declarations(out, tw);
  int u = write_order_constraints(out, tw);
  write_score_constraints(out);
  u = write_arc_constraints(out, tw, u);
  const cycleset cycles = cyclecandidates();
  write_cycle_cuts(out, cycles, u);
  write_solve_and_print(out, tw);
  fflush(out);
}

bool ampl::twactive() const {
  double joint = 0.0;
  for (int j = 0; j < n; ++j) joint += std::log(double(d.categ[j]));
  return joint > std::log(p.maxtreewidth);
}

// Steps through the options, parameters and variables, then the objective.
void ampl::write_declarations(FILE* out, bool tw) const {
  fprintf(out, "option solver cplexamp;\n");
  if (p.mingap > 1e-8 || p.abstarget > 1e-4)
    fprintf(out,
            "option cplex_options 'timelimit=%d mipdisplay=3 mipcuts=0 mipgap=%lf clocktype=1 "
            "absmipgap=%lf threads=%d parallelmode=-1';\n",
            p.maxseconds, p.mingap, p.abstarget, p.threads);
  else
    fprintf(out,
            "option cplex_options 'timelimit=%d mipdisplay=3 mipcuts=0 mipgap=1e-8 clocktype=1 "
            "absmipgap=0 threads=%d parallelmode=-1';\n",
            p.maxseconds, p.threads);
  fprintf(out, "param N:=%d;\n", n - 1);
  if (tw) {
    fprintf(out, "param card{0..N};\n");
    for (int j = 0; j < n; ++j) fprintf(out, "let card[%d] := %d;\n", j, d.categ[j]);
    fprintf(out, "var cy{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n");
  }
  if (p.ilpapprox > 0)
    fprintf(out,
            "param c{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\nparam perfectorder{i in 0..N};\n"
            "param toporder{i in 0..N};\nparam v1, integer;\nparam v2, integer;\n"
            "param v3, integer;\nfor{i in 0..N} {\n  let perfectorder[i] := i;\n"
            "  let toporder[i] := i;\n}\n");
  else
    fprintf(out, "var c{i in 0..N}, >= 0, <= N;\n##var c{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n");
  fprintf(out,
          "param maxobj;\nlet maxobj := -1e100;\nparam bestperfectorder{i in 0..N};\n"
          "param besttoporder{i in 0..N};\nfor{i in 0..N} {\n  let bestperfectorder[i] := i;\n"
          "  let besttoporder[i] := i;\n}\n");
  if (p.ilpapprox > 0)
    fprintf(out, "param cc{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n");
  else
    fprintf(out, "##//var cc{i in 0..N}, >= 0, <= N;\nvar cc{i in 0..N, j in 0..N}, >= 0, <= 1,binary;\n");
  fprintf(out, "var s{0..N}, >= 0, <= 1e10;\n");
  if (tw) fprintf(out, "var tw >= 0, <= %.12lf;\n", std::log(p.maxtreewidth + 0.0001));
  for (int j = 0; j < n; ++j) {
    const int last = int(d.cache[j].size()) - 1;
    fprintf(out, "var y%d{0..%d}, >= 0, <= 1,binary;\n", j, last);
    fprintf(out,
            "param besty%d{0..%d}, >= 0, <= 1,binary;\nfor{i in 0..%d} {\n  let besty%d[i] := 0;\n"
            "}\nlet besty%d[0] := 1;\n",
            j, last, last, j, j);
  }
  fprintf(out, "maximize obj: -sum{i in 0..N} s[i];\n");
}

// The treewidth constraint, the order blocks of cc (when solved for) and the
// triangulation of cy; returns the next constraint number.
int ampl::write_order_constraints(FILE* out, bool tw) const {
  int u = 0;
  if (tw)
    fprintf(out,
            "subject to cTW{i in 0..N}: tw >= log(card[i]) + sum{j in 0..N: i != j} "
            "log(card[j])*cy[i,j];\n");
  if (tw && p.ilpapprox == 0) {
    fprintf(out, "##subject to c%d{i in 0..N, j in 0..N: i<j}: c[i,j] = 1 - c[j,i];\n", u);
    fprintf(out,
            "##subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "c[i,j]+c[j,k]-c[i,k] <= 1;\n",
            u + 1);
    u += 2;
  }
  if (p.ilpapprox == 0) {
    fprintf(out,
            "#subject to c%d{i in 0..N, j in 0..N: i!=j}: cc[i,j] + cc[j,i] = cy[i,j]+cy[j,i];\n", u);
    fprintf(out, "subject to c%d{i in 0..N, j in 0..N: i<j}: cc[i,j] = 1 - cc[j,i];\n", u + 1);
    fprintf(out,
            "subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "cc[i,j]+cc[j,k]-cc[i,k] <= 1;\n",
            u + 2);
    fprintf(out,
            "#subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "cc[i,j]+cc[j,k]-cc[i,k] <= 4-cy[i,j]-cy[j,i]-cy[j,k]-cy[k,j]-cy[i,k]-cy[k,i];\n",
            u + 3);
    fprintf(out,
            "#subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "cc[i,j]+cc[j,k]+cc[k,i] <= 2;\n",
            u + 4);
    u += 5;
  }
  if (tw) {
    fprintf(out, "subject to c%d{i in 0..N, j in 0..N: i != j}: cy[i,j] <= 1 - (c[i]-c[j]+1)/(N+1);\n", u);
    fprintf(out, "##subject to c%d{i in 0..N, j in 0..N: i != j}: cy[i,j] <= c[i,j];\n", u + 1);
    fprintf(out,
            "##subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "c[j,k]+cy[i,j]+cy[i,k]-cy[j,k] <= 2;\n",
            u + 2);
    fprintf(out,
            "subject to c%d{i in 0..N, j in 0..N, k in 0..N: i != j and i != k and j != k}: "
            "cy[i,j]+cy[i,k]-(cy[j,k]+cy[k,j]) <= 1;\n",
            u + 3);
    u += 4;
  }
  return u;
}

// s[j] is the negated score of the one chosen entry of j.
void ampl::write_score_constraints(FILE* out) const {
  for (int j = 0; j < n; ++j) {
    const parentsetlist& list = d.cache[j];
    const int last = int(list.size()) - 1;
    fprintf(out, "subject to s%ds: 1 = sum{i in 0..%d} y%d[i];\n", j, last, j);
    fprintf(out, "subject to s%d: s[%d]=", j, j);
    for (int i = 0; i <= last; ++i) fprintf(out, "+%lf*y%d[%d]", -list[i].first, j, i);
    fprintf(out, ";\n");
  }
}

// Choosing entry D of l puts each parent E before l in cc and, under the bound, adds
// the edges l-E and E-G (co-parents) to the triangulated graph cy.
int ampl::write_arc_constraints(FILE* out, bool tw, int u) const {
  std::vector<int> parents;
  parents.reserve(n);
  for (int l = 0; l < n; ++l) {
    const parentsetlist& list = d.cache[l];
    for (int D = 0; D < int(list.size()); ++D) {
      const matrix<char>& family = list[D].second;
      parents.clear();
      for (int k = 0; k < n; ++k)
        if (k != l && family[k] > 0) parents.push_back(k);
      for (int E : parents) {
        fprintf(out, "subject to c%d: y%d[%d] <= cc[%d,%d];\n", u, l, D, l, E);
        fprintf(out, "##//subject to c%d: y%d[%d] <= 1 - (cc[%d]-cc[%d]+1)/(N+1);\n", u + 1, l, D, l, E);
        u += 2;
        if (!tw) continue;
        fprintf(out, "##subject to c%d: (1-y%d[%d]) + cy[%d,%d] >= c[%d,%d];\n", u, l, D, l, E, l, E);
        fprintf(out, "##subject to c%d: (1-y%d[%d]) + cy[%d,%d] >= c[%d,%d];\n", u + 1, l, D, E, l, E, l);
        fprintf(out, "subject to c%d: y%d[%d] <= cy[%d,%d] + cy[%d,%d];\n", u + 2, l, D, l, E, E, l);
        u += 3;
        for (int G : parents) {
          if (G == E) continue;
          fprintf(out, "##subject to c%d: (1-y%d[%d]) + cy[%d,%d] >= c[%d,%d];\n", u, l, D, E, G, E, G);
          if (G > E) {
            fprintf(out, "subject to c%d: y%d[%d] <= cy[%d,%d] + cy[%d,%d];\n", u + 1, l, D, E, G, G, E);
            u += 2;
          } else {
            u += 1;
          }
        }
      }
    }
  }
  return u;
}

// The sampling loop (when ilpapprox asks for it) opens before the solve and closes
// after the best choice is kept.
void ampl::write_solve_and_print(FILE* out, bool tw) const {
  if (p.ilpapprox > 0)
    fprintf(out,
            "for{step in 0..%d} {\nfor{i in 0..N} {\n  let v1 := round(Uniform(-0.4999,N+0.4999));\n"
            "  let v2 := round(Uniform(-0.4999,N+0.4999));\n  let v3 := toporder[v1];\n"
            "  let toporder[v1] := toporder[v2];\n  let toporder[v2] := v3;\n}\nfor{i in 0..N} {\n"
            "  let v1 := round(Uniform(-0.4999,N+0.4999));\n"
            "  let v2 := round(Uniform(-0.4999,N+0.4999));\n  let v3 := perfectorder[v1];\n"
            "  let perfectorder[v1] := perfectorder[v2];\n  let perfectorder[v2] := v3;\n}\n"
            "for{i in 0..N} {\n  for{j in 0..N} {\n    let c[i,j] := 0;\n    let cc[i,j] := 0;\n"
            "    if toporder[i] > toporder[j] then {\n      let cc[i,j] := 1;\n    }\n"
            "    if perfectorder[i] > perfectorder[j] then {\n      let c[i,j] := 1;\n    }\n"
            "  }\n}\n",
            p.ilpapprox);
  fprintf(out,
          "solve obj;\nif obj > maxobj then {\n  let maxobj := obj;\n  for{i in 0..N} {\n"
          "    let bestperfectorder[i] := c[i]; ## (sum{j in 0..N: j>0} c[i,j]) + "
          "(sum{j in 0..N: j<0} (1-c[j,i]));\n"
          "    let besttoporder[i] := (sum{j in 0..N: j>0} cc[i,j]) + "
          "(sum{j in 0..N: j<0} (1-cc[j,i]));\n  }\n");
  for (int j = 0; j < n; ++j)
    fprintf(out, "for{i in 0..%d} {\nlet besty%d[i] := y%d[i];\n}\n", int(d.cache[j].size()) - 1, j, j);
  fprintf(out, "}\n");
  if (p.ilpapprox > 0) fprintf(out, "}\n");
  fprintf(out,
          "print 'maxobj',maxobj;\nfor{i in 0..N} {\n  print 'toporder',i,besttoporder[i];\n}\n"
          "for{i in 0..N} {\n  print 'elimorder',i,bestperfectorder[i];\n}\n");
  for (int j = 0; j < n; ++j)
    fprintf(out, "for{i in 0..%d} {\n  if besty%d[i] > 0.9999 then {\n    print 'parentnum',%d,i;\n  }\n}\n",
            int(d.cache[j].size()) - 1, j, j);
  if (tw) {
    fprintf(out, "printf 'treewidth %%.1f\\n',exp(tw);\n");
    fprintf(out, "##printf 'constrtreewidth %%.1f\\n',cTW;\n");
  }
}
