# Volatile fields of the program's output, masked before comparison.
s/\(random seed: \[\)[0-9-]*\]/\1*]/
s/\(memory-usage(MB)=\)[0-9][0-9.e+-]*/\1*/
s/\(,mem=\[\)[0-9.e+-]*MB/\1*MB/
s/^\[info\] increasing memory usage (MB) to .*/[info] increasing memory usage (MB) to * (NA)/
